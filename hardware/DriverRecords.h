#pragma once
// hardware/DriverRecords.h — the requests the program sends to the unit's
// sensor driver stack and the fixed records they carry (little-endian, 32-bit
// layout). Fields that carry an address hold a shared-buffer token
// (platform/DeviceIo.h).

#include <cstddef>
#include <cstdint>

namespace hw {

// I/O control codes (buffered transfer).
constexpr uint32_t IOCTL_GPIO_CONFIGURE = 0x0022A004;      // PIO1: GpioLineRecord[n]
constexpr uint32_t IOCTL_GPIO_SET = 0x0022A008;            // PIO1: pin, level
constexpr uint32_t IOCTL_GPIO_GET = 0x0022600C;            // PIO1: pin, level -> same 8 bytes
constexpr uint32_t IOCTL_PWC_CONFIG = 0x001B2004;          // PWC0: period 5000, duty %
constexpr uint32_t IOCTL_PWC_START = 0x001B2008;           // PWC0
constexpr uint32_t IOCTL_PWC_STOP = 0x001B200C;            // PWC0: full brightness
constexpr uint32_t IOCTL_TMR_CONFIG = 0x001B2004;          // TMR0: TimerChannelRecord
constexpr uint32_t IOCTL_TMR_FREQ = 0x001B2018;            // TMR0: -> u32 MCLK Hz (exactly 4 bytes)
constexpr uint32_t IOCTL_AUX_WRITE = 0x001B240C;           // SPI3: u16 -> u16 (ignored)
constexpr uint32_t IOCTL_AUX_CONVERT = 0x001B241C;         // SPI3: u16 channel -> u16 raw
constexpr uint32_t IOCTL_POWER_OFF = 0x001B2460;           // SPI3
constexpr uint32_t IOCTL_OS_VERSION = 0x001B2464;          // SPI3: 1 byte -> up to 20 bytes of text
constexpr uint32_t IOCTL_DISPLAY_POWER = 0x001B2468;       // SPI3: 1 byte, 1 on 0 off
constexpr uint32_t IOCTL_RADIO_COMMAND = 0x001B2408;       // SPI5/6/7: RadioCommandRecord
constexpr uint32_t IOCTL_ADC_WRITE = 0x001B2424;           // SPI4: u16 -> u16 (ignored)
constexpr uint32_t IOCTL_GATHER_SAMPLES = 0x001B2448;      // SPI4: GatherRequest
constexpr uint32_t IOCTL_TLV2544_ATTACH_TMR = 0x001B244C;  // SPI4
constexpr uint32_t IOCTL_GATHER_SAMPLES_V2 = 0x001B246C;   // SPI4: GatherRequest
constexpr uint32_t IOCTL_READ_BLOCK = 0x001B2470;          // SPI4: -> SampleBlock
constexpr uint32_t IOCTL_SET_LOCAL_GAIN = 0x001B24CC;      // RSI0: u16 gain | 0x1000
constexpr uint32_t IOCTL_GET_LOCAL_LEVEL = 0x001B24D0;     // RSI0: -> u16 level

// One control line; name is the token of an 8-bit NUL-terminated text.
struct GpioLineRecord {
    uint32_t name;
    uint32_t pin;
    uint32_t level;      // 0 or 1
    uint8_t reserved;    // always 0
    uint8_t padding[3];
    uint32_t mode;       // kLineOutput or kLineInput
};
static_assert(sizeof(GpioLineRecord) == 20);
static_assert(offsetof(GpioLineRecord, pin) == 4);
static_assert(offsetof(GpioLineRecord, level) == 8);
static_assert(offsetof(GpioLineRecord, reserved) == 12);
static_assert(offsetof(GpioLineRecord, mode) == 16);
constexpr uint32_t kLineOutput = 3;
constexpr uint32_t kLineInput = 2;

// Pin and level of IOCTL_GPIO_SET and IOCTL_GPIO_GET.
struct GpioPinRecord {
    uint32_t pin;
    uint32_t level;
};
static_assert(sizeof(GpioPinRecord) == 8);

// Twelve words: 0 channel, 1 frequency Hz, 2 duty %, 3-11 raw timer settings.
struct TimerChannelRecord {
    uint32_t word[12];
};
static_assert(sizeof(TimerChannelRecord) == 48);

// Kept by the program for the life of an acquisition: the driver keeps using it.
struct GatherRequest {
    uint32_t leftSource;     // source code of the left input
    uint32_t rightSource;
    uint32_t pairsPerBlock;  // 1023
    uint32_t blockCount;     // N, 1-200
    uint32_t blockTable;     // token of N block tokens
};
static_assert(sizeof(GatherRequest) == 20);
static_assert(offsetof(GatherRequest, rightSource) == 4);
static_assert(offsetof(GatherRequest, pairsPerBlock) == 8);
static_assert(offsetof(GatherRequest, blockCount) == 12);
static_assert(offsetof(GatherRequest, blockTable) == 16);

constexpr int32_t kPairsPerBlock = 1023;
constexpr uint32_t kEmptyBlock = 0xFFFFFFFFu;

// One acquired block: a header (kEmptyBlock until the driver fills it), then
// left/right raw word pairs.
struct SampleBlock {
    uint32_t header;
    uint16_t pairs[kPairsPerBlock][2];
};
static_assert(sizeof(SampleBlock) == 4096);
static_assert(offsetof(SampleBlock, pairs) == 4);

// Source codes by station code (0 Base, 1 Red, 2 Blue, 3 Yellow).
constexpr uint32_t kSourceCodes[4] = {0x4000, 0x0000, 0x2000, 0x6000};

// Command record of IOCTL_RADIO_COMMAND: tokens of the reply area (100
// UTF-16 units) and of the command text (UTF-16), and the text's length.
struct RadioCommandRecord {
    uint32_t reply;
    uint32_t text;
    uint32_t length;  // units, no terminator
};
static_assert(sizeof(RadioCommandRecord) == 12);
static_assert(offsetof(RadioCommandRecord, text) == 4);
static_assert(offsetof(RadioCommandRecord, length) == 8);
constexpr int kReplyUnits = 100;

// A raw converter word as a 12-bit signed sample, -2048..2047: XOR 0x800F,
// read as int16, arithmetic shift right 4 (the low four bits are not data).
constexpr int16_t DecodeRaw(uint16_t raw) noexcept {
    return static_cast<int16_t>(static_cast<int16_t>(raw ^ 0x800F) >> 4);
}

}  // namespace hw
