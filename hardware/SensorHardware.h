#pragma once
// hardware/SensorHardware.h — the one object through which the program
// touches the base unit's sensor electronics: the sampling converter and its
// acquisition chain, the auxiliary converter (radio levels, battery), the
// front end's control lines, the Base input's gain, backlight and display
// power, and the three receivers' ports.
//
// Every operation is a short sequence of I/O control requests on the platform's
// device files. Requests never throw: a failed one prints one line of debug
// output and the operation returns its neutral value (-1, 0 or false); a
// device that did not open makes its operations silent no-ops. Everything runs
// on the UI thread; time comes from the platform clock.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dsp/Wave.h"
#include "hardware/ChannelChain.h"
#include "hardware/DriverRecords.h"
#include "hardware/SampleSink.h"
#include "platform/DeviceIo.h"

// Acquisition states.
enum SamplingState : int32_t {
    SamplingIdle = 1,       // a start is wanted
    SamplingStarted = 2,    // driver armed, no block consumed yet
    SamplingReceiving = 3,
    SamplingStalled = 4,
    SamplingFinished = 5,
};

// The replay flag: 0 during live acquisition, 1 while an opened recording is
// the source. The main screen sets it; acquisition reads it.
extern int g_replay;

class SensorHardware {
public:
    static constexpr int32_t kMaxBlocks = 200;
    static constexpr int32_t kLevelStoreSamples = 1000;
    static constexpr uint32_t kStartTimeoutMs = 20001;  // armed, no block yet
    static constexpr uint32_t kBlockTimeoutMs = 500;    // receiving, next block late
    static constexpr int32_t kNewAcquisitionVersion = 117;  // block-read mode from here
    static constexpr int32_t kLocalGainVersion = 109;       // Base gain requests from here
    static constexpr uint32_t kDefaultMasterClock = 90000000;

    // Opens the devices in the unit's order, sends the control-line table,
    // activates the sensor driver and allocates the block store.
    SensorHardware();
    ~SensorHardware();
    SensorHardware(const SensorHardware&) = delete;
    SensorHardware& operator=(const SensorHardware&) = delete;

    // ---- acquisition --------------------------------------------------------
    // Arms one acquisition of N blocks for the sink's stations and pipe.
    void StartSampling(SampleSink& sink);
    // Consumes one block into both chains and hands the output to the sink.
    void ProcessSampleBlock(SampleSink& sink);
    // Applies the time-outs (2 -> 4 after 20 001 ms, 3 -> 4 after 500 ms
    // without a block) and returns the state.
    SamplingState GetSamplingState();
    // The provider's reason why the converter can deliver no more; empty
    // while it can (platform::DeviceProvider::ConverterFault).
    std::string ConverterFault() const;
    // Marks the first N block headers empty.
    void MarkBlocksEmpty();
    // A new start is wanted (state 1).
    void RequestRestart() { m_state = SamplingIdle; }
    // rate in Hz: 10000 / D with D = 1..10; both chains decimate by D.
    void SetOutputSampleRate(int32_t rate);
    int32_t GetOutputSampleRate() const { return m_outputRate; }
    int32_t GetDecimation() const { return m_chain.Decimation(); }
    // Blocks of the current acquisition and the next to consume.
    int32_t BlockCount() const { return static_cast<int32_t>(m_gather.blockCount); }
    int32_t ReadIndex() const { return m_readIndex; }
    // Blocks N for a pipe's largest delay (s) at decimation D: at most 200.
    static int32_t BlocksFor(float maxDelaySeconds, int32_t decimation);
    // The newest 1000 output samples of the left (0) or right (1) channel.
    const CWave& LevelStore(int channel) const { return channel == 0 ? m_leftLevel : m_rightLevel; }

    // ---- platform facts ---------------------------------------------------------
    // Platform version x 100 ("1.17" gives 117); 100 when unreadable. Read once.
    int32_t GetOsVersion();
    // "OS: " and the version text, or "OS:" when it cannot be read.
    std::string GetOsVersionText();
    // Timer master clock in Hz, read once; 16 x the performance-counter
    // frequency when the timer does not tell.
    uint32_t GetMasterClock();
    // Timer channel 2 triggers the converter at 10 kHz.
    void ConfigureSampleTimer();
    // Ten-bit auxiliary conversion of channel 0..4 (0-2 Red/Blue/Yellow radio
    // level, 4 battery); -1 on failure.
    int32_t ReadAuxAdc(int32_t channel);
    // The converter's reference in volts (factory record).
    static double ReferenceVoltage();

    // ---- front end ----------------------------------------------------------------
    // Sensor type from ST_D/ST_E: 0 none, 1 hydrophone, 2 accelerometer,
    // 3 microphone; drives the selection lines and excitation on a change.
    int32_t DetectSensorType();
    // 0 charging, 1 external supply, 2 battery.
    int32_t GetPowerSource();
    // Whether an external supply is connected (VEXT_DET reads 0).
    bool IsExternalSupplyPresent();
    // 0 neither LED, 1 green, 2 red.
    void SetStatusLeds(int32_t mode);
    void SetChargerShutdown(bool stop);
    bool GetChargerShutdown() const { return m_chargerStopped; }
    // 0 50 Hz notch, 1 60 Hz notch, 2 bypassed.
    void SetNotchMode(int32_t mode);
    // Listen switch codes 0..7 (0 Red, 1 Blue, 3 Base, 6 off).
    void SetListenSourceLeft(int32_t code);
    void SetListenSourceRight(int32_t code);
    int32_t GetListenSourceLeft() const { return m_listenLeft; }
    int32_t GetListenSourceRight() const { return m_listenRight; }
    void SetHeadphoneShutdown(bool on);
    // Known position, or -1 after stepping the potentiometer to 0 from unknown.
    int32_t ResetHeadphoneVolume();
    // Steps the 16-position potentiometer to `position`.
    void SetHeadphoneVolume(int32_t position);
    int32_t GetHeadphoneVolume() const { return m_volume; }

    // ---- Base input -----------------------------------------------------------------
    bool SetLocalGain(uint16_t gain);
    // Level 0..1023, 0 before version 1.09, -1 on failure.
    int32_t GetLocalSignalLevel();
    // One step of the Base input's automatic gain control.
    void StepLocalGain();
    bool LocalGainRunning() const { return m_gainRunning; }
    uint16_t LocalGain() const { return m_localGain; }
    uint16_t LocalLevel() const { return m_localLevel; }
    // The gain control's rule: new gain for level L and gain G; G when
    // unchanged (665..725).
    static uint16_t NextLocalGain(uint16_t level, uint16_t gain);

    // ---- display and power ------------------------------------------------------------
    void SetDisplayPower(bool on);
    void PowerOff();
    // Backlight duty 0..100 %; 100 or more is full brightness.
    void SetBacklight(int32_t duty);

    // ---- receivers ----------------------------------------------------------------------
    // One command text to receiver 1..3 (Red, Blue, Yellow); false when the
    // station is outside 1..3, its port did not open or the request failed.
    // reply, when given, receives the 100 reply units.
    bool SendRadioCommand(int32_t station, std::string_view text, std::u16string* reply = nullptr);
    bool HasRadioPort(int32_t station) const;

private:
    struct Port {
        platform::Handle handle = platform::kInvalidHandle;
        const char* name = "";
        bool Valid() const { return handle != platform::kInvalidHandle; }
    };
    // Performs one request. False without a word when the port did not open;
    // on failure or a short reply prints one diagnostic (`failure`, else a
    // generic line) and returns false. expected: output bytes that must come back.
    bool Request(const Port& port, uint32_t code, const void* in, uint32_t inSize, void* out = nullptr,
                 uint32_t outSize = 0, uint32_t expected = 0, const char* failure = nullptr);
    bool ConfigureLines(std::span<const hw::GpioLineRecord> lines);
    bool ConfigureLine(uint32_t pin, uint32_t level, uint32_t mode);
    bool SetPin(uint32_t pin, uint32_t level);
    int32_t GetPin(uint32_t pin);
    void StepHeadphone(uint32_t direction);
    void ProgramExcitation(uint32_t hz);
    void RebuildBlockTable();

    Port m_adc{platform::kInvalidHandle, "SPI4:"};
    std::array<Port, 3> m_radio{{{platform::kInvalidHandle, "SPI5:"},
                                 {platform::kInvalidHandle, "SPI6:"},
                                 {platform::kInvalidHandle, "SPI7:"}}};
    Port m_gpio{platform::kInvalidHandle, "PIO1:"};
    Port m_timer{platform::kInvalidHandle, "TMR0:"};
    Port m_aux{platform::kInvalidHandle, "SPI3:"};
    platform::Handle m_sensorDriver = platform::kInvalidHandle;
    Port m_local{platform::kInvalidHandle, "RSI0:"};

    // Shared buffers: line names, the block store and its address table.
    std::vector<uint32_t> m_lineNameTokens;  // per entry of the line table, then CHG
    std::vector<hw::SampleBlock> m_blocks;   // 200, allocated once
    std::vector<uint32_t> m_blockTokens;
    std::array<uint32_t, kMaxBlocks> m_blockTable{};
    uint32_t m_blockTableToken = 0;
    hw::GatherRequest m_gather{hw::kSourceCodes[1], hw::kSourceCodes[2], hw::kPairsPerBlock, 0, 0};

    SamplingState m_state = SamplingIdle;
    int32_t m_readIndex = 0;
    uint32_t m_startTick = 0;
    uint32_t m_lastBlockTick = 0;

    hw::BlockConditioner m_chain;
    CWave m_leftLevel{kLevelStoreSamples}, m_rightLevel{kLevelStoreSamples};
    int32_t m_outputRate = 10000;

    int32_t m_osVersion = 0;  // 0 until read
    bool m_osVersionRead = false;
    uint32_t m_mclk = kDefaultMasterClock;
    bool m_mclkRead = false;
    bool m_auxPrepared = false;
    int32_t m_listenLeft = 6, m_listenRight = 6;
    int32_t m_volume = -1;
    int32_t m_sensorSelection = -1;  // none applied yet
    bool m_chargerStopped = true;
    uint16_t m_localGain = 0;
    uint16_t m_localLevel = 0;
    bool m_gainRunning = true;
};

// The program's one SensorHardware, made on first use (after the device
// provider is installed) and kept until exit.
SensorHardware& Hardware();
