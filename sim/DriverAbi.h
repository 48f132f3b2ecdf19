#pragma once
// sim/DriverAbi.h — the sensor driver stack's request codes and records, as the
// drivers define them. The virtual devices are written against this header
// alone; the program keeps its own copy of the same layouts, and the hardware
// tests prove the two agree by running one against the other.

#include <cstddef>
#include <cstdint>

namespace sim {

// Request codes, by device.
namespace ioctl {
// "PIO1:"
constexpr uint32_t kGpioConfigure = 0x0022A004;  // in: GpioLine[n]
constexpr uint32_t kGpioSet = 0x0022A008;        // in: pin, level (8 bytes)
constexpr uint32_t kGpioGet = 0x0022600C;        // in/out: pin, level (8 bytes)
// "PWC0:"
constexpr uint32_t kPwcConfig = 0x001B2004;  // in: period, duty % (8 bytes)
constexpr uint32_t kPwcStart = 0x001B2008;
constexpr uint32_t kPwcStop = 0x001B200C;
// "TMR0:"
constexpr uint32_t kTmrConfig = 0x001B2004;  // in: TimerChannel (48 bytes)
constexpr uint32_t kTmrFreq = 0x001B2018;    // out: u32 MCLK, Hz
// "SPI3:"
constexpr uint32_t kAuxWrite = 0x001B240C;     // in: u16; out: u16
constexpr uint32_t kAuxConvert = 0x001B241C;   // in: u16 channel; out: u16 result << 6
constexpr uint32_t kPowerOff = 0x001B2460;
constexpr uint32_t kOsVersion = 0x001B2464;    // in: 1 byte; out: up to 20 bytes of text
constexpr uint32_t kDisplayPower = 0x001B2468; // in: 1 byte
// "SPI5:" "SPI6:" "SPI7:"
constexpr uint32_t kRadioCommand = 0x001B2408;  // in: RadioCommand (12 bytes)
// "SPI4:"
constexpr uint32_t kAdcWrite = 0x001B2424;        // in: u16; out: u16
constexpr uint32_t kGatherSamples = 0x001B2448;   // in: GatherRequest
constexpr uint32_t kAttachTimer = 0x001B244C;
constexpr uint32_t kGatherSamplesV2 = 0x001B246C; // in: GatherRequest
constexpr uint32_t kReadBlock = 0x001B2470;       // out: SampleBlock (4096 bytes)
// "RSI0:"
constexpr uint32_t kSetLocalGain = 0x001B24CC;   // in: u16 gain | 0x1000
constexpr uint32_t kGetLocalLevel = 0x001B24D0;  // out: u16 level
}  // namespace ioctl

// One control line. name is a shared-buffer token of an 8-bit NUL-terminated text.
struct GpioLine {
    uint32_t name;
    uint32_t pin;
    uint32_t level;     // 0 or 1
    uint8_t reserved;   // 0
    uint8_t padding[3];
    uint32_t mode;      // kModeOutput or kModeInput
};
static_assert(sizeof(GpioLine) == 20);
static_assert(offsetof(GpioLine, pin) == 4);
static_assert(offsetof(GpioLine, level) == 8);
static_assert(offsetof(GpioLine, reserved) == 12);
static_assert(offsetof(GpioLine, mode) == 16);
constexpr uint32_t kModeInput = 2;
constexpr uint32_t kModeOutput = 3;

// One timer channel: channel, frequency Hz, duty %, then raw settings.
struct TimerChannel {
    uint32_t word[12];
};
static_assert(sizeof(TimerChannel) == 48);

// Five words: left source, right source, pairs per block, block count, token
// of the block-address table (block count u32 tokens).
struct GatherRequest {
    uint32_t leftSource;
    uint32_t rightSource;
    uint32_t pairsPerBlock;
    uint32_t blockCount;
    uint32_t blockTable;
};
static_assert(sizeof(GatherRequest) == 20);
static_assert(offsetof(GatherRequest, blockTable) == 16);

constexpr uint32_t kPairsPerBlock = 1023;
constexpr uint32_t kBlockBytes = 4096;
constexpr uint32_t kEmptyHeader = 0xFFFFFFFFu;

// Source codes of the two ADC inputs.
constexpr uint32_t kSourceRed = 0x0000;
constexpr uint32_t kSourceBlue = 0x2000;
constexpr uint32_t kSourceBase = 0x4000;
constexpr uint32_t kSourceYellow = 0x6000;

// Radio command: tokens of the reply area (100 UTF-16 units) and of the
// command text (UTF-16), and the text's length in units.
struct RadioCommand {
    uint32_t reply;
    uint32_t text;
    uint32_t length;
};
static_assert(sizeof(RadioCommand) == 12);
constexpr uint32_t kReplyUnits = 100;

// Auxiliary converter channels.
constexpr uint16_t kAuxRssiRed = 0;
constexpr uint16_t kAuxRssiBlue = 1;
constexpr uint16_t kAuxRssiYellow = 2;
constexpr uint16_t kAuxBattery = 4;

// Encodes a 12-bit sample (-2048..2047) as the converter's raw word: the
// sample in the top twelve bits, sign bit inverted, low four bits zero (they
// read back as 0xF after the program's 0x800F inversion and are dropped).
constexpr uint16_t EncodeRaw(int sample) noexcept {
    return static_cast<uint16_t>((static_cast<uint32_t>(sample * 16) & 0xFFF0u) ^ 0x8000u);
}
static_assert(EncodeRaw(-2048) == 0x0000 && EncodeRaw(2047) == 0xFFF0 && EncodeRaw(0) == 0x8000);

}  // namespace sim
