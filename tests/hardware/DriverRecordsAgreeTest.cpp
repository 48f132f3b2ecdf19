// The program's driver records (hardware/) and the virtual unit's (sim/) are
// kept apart on purpose; they must agree pair by pair: request codes, record
// sizes, field offsets and the codes that travel inside the records.

#include <gtest/gtest.h>

#include "hardware/DriverRecords.h"
#include "pipe/Station.h"
#include "sim/DriverAbi.h"
#include "sim/Scenario.h"

namespace io = sim::ioctl;
using namespace hw;

static_assert(IOCTL_GPIO_CONFIGURE == io::kGpioConfigure && IOCTL_GPIO_SET == io::kGpioSet &&
              IOCTL_GPIO_GET == io::kGpioGet);
static_assert(IOCTL_PWC_CONFIG == io::kPwcConfig && IOCTL_PWC_START == io::kPwcStart && IOCTL_PWC_STOP == io::kPwcStop);
static_assert(IOCTL_TMR_CONFIG == io::kTmrConfig && IOCTL_TMR_FREQ == io::kTmrFreq);
static_assert(IOCTL_AUX_WRITE == io::kAuxWrite && IOCTL_AUX_CONVERT == io::kAuxConvert &&
              IOCTL_POWER_OFF == io::kPowerOff && IOCTL_OS_VERSION == io::kOsVersion &&
              IOCTL_DISPLAY_POWER == io::kDisplayPower);
static_assert(IOCTL_RADIO_COMMAND == io::kRadioCommand);
static_assert(IOCTL_ADC_WRITE == io::kAdcWrite && IOCTL_GATHER_SAMPLES == io::kGatherSamples &&
              IOCTL_TLV2544_ATTACH_TMR == io::kAttachTimer && IOCTL_GATHER_SAMPLES_V2 == io::kGatherSamplesV2 &&
              IOCTL_READ_BLOCK == io::kReadBlock);
static_assert(IOCTL_SET_LOCAL_GAIN == io::kSetLocalGain && IOCTL_GET_LOCAL_LEVEL == io::kGetLocalLevel);

#define SAME_FIELD(ours, theirs, field) \
    static_assert(offsetof(ours, field) == offsetof(theirs, field), #ours "." #field)

static_assert(sizeof(GpioLineRecord) == sizeof(sim::GpioLine));
SAME_FIELD(GpioLineRecord, sim::GpioLine, name);
SAME_FIELD(GpioLineRecord, sim::GpioLine, pin);
SAME_FIELD(GpioLineRecord, sim::GpioLine, level);
SAME_FIELD(GpioLineRecord, sim::GpioLine, reserved);
SAME_FIELD(GpioLineRecord, sim::GpioLine, mode);
static_assert(kLineInput == sim::kModeInput && kLineOutput == sim::kModeOutput);

static_assert(sizeof(TimerChannelRecord) == sizeof(sim::TimerChannel));

static_assert(sizeof(GatherRequest) == sizeof(sim::GatherRequest));
SAME_FIELD(GatherRequest, sim::GatherRequest, leftSource);
SAME_FIELD(GatherRequest, sim::GatherRequest, rightSource);
SAME_FIELD(GatherRequest, sim::GatherRequest, pairsPerBlock);
SAME_FIELD(GatherRequest, sim::GatherRequest, blockCount);
SAME_FIELD(GatherRequest, sim::GatherRequest, blockTable);
static_assert(static_cast<uint32_t>(kPairsPerBlock) == sim::kPairsPerBlock);
static_assert(sizeof(SampleBlock) == sim::kBlockBytes && kEmptyBlock == sim::kEmptyHeader);

static_assert(sizeof(RadioCommandRecord) == sizeof(sim::RadioCommand));
SAME_FIELD(RadioCommandRecord, sim::RadioCommand, reply);
SAME_FIELD(RadioCommandRecord, sim::RadioCommand, text);
SAME_FIELD(RadioCommandRecord, sim::RadioCommand, length);
static_assert(static_cast<uint32_t>(kReplyUnits) == sim::kReplyUnits);

#undef SAME_FIELD

// Values, not only layouts: a station code selects the same source on both
// sides, and the world numbers its stations as the program does.
TEST(DriverRecords, StationCodesSelectTheSameSourcesAndWorldStations) {
    const struct {
        StationCode code;
        uint32_t source;
        sim::Station world;
    } rows[] = {{StationCode::Base, sim::kSourceBase, sim::Station::Base},
                {StationCode::Red, sim::kSourceRed, sim::Station::Red},
                {StationCode::Blue, sim::kSourceBlue, sim::Station::Blue},
                {StationCode::Yellow, sim::kSourceYellow, sim::Station::Yellow}};
    for (const auto& row : rows) {
        EXPECT_EQ(kSourceCodes[static_cast<size_t>(row.code)], row.source) << StationName(row.code);
        EXPECT_EQ(static_cast<int>(row.world), static_cast<int>(row.code)) << StationName(row.code);
    }
}
