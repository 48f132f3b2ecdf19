#pragma once
// tools/AudioCommands.h — corrtool's audio input: the capture devices, and an
// audio interface as the unit for corrtool acquire (--unit audio[:DEVICE]).

#include <memory>
#include <ostream>
#include <string>

#include "tools/Corrtool.h"
#include "tools/ResultOut.h"

// corrtool devices: one line per capture device the audio unit can open
// (with --json, one object in a "devices" list each).
int CmdDevices(const Args& args, std::ostream& out, std::ostream& err);

// An installed audio unit, as corrtool acquire sees it.
class AcquireAudio {
public:
    virtual ~AcquireAudio() = default;
    // The capture has ended (device lost, input ended): the run stops.
    virtual bool Ended() const = 0;
    // device=, native_rate=, format=, xruns=, blocks= and, when it ended,
    // input_ended= with the reason.
    virtual void Print(CResultOut& out) const = 0;
};

// Installs the audio unit of a --unit value ("audio", "audio:DEVICE",
// "audio:DEVICE@RATE") as the device provider; nullptr after writing the
// reason to err (a bad value, a missing or busy device, no usable format, or a
// build without audio input).
std::unique_ptr<AcquireAudio> InstallAcquireAudio(const std::string& unit, std::ostream& err);
