// corrtool conf: the settings file as start-up loads it.

#include <fstream>
#include <iomanip>
#include <sstream>

#include "platform/DurableWrite.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/Configuration.h"
#include "tools/Corrtool.h"

namespace {

const char* OutcomeText(CConfiguration::LoadOutcome o) {
    switch (o) {
    case CConfiguration::LoadOutcome::Read: return "read";
    case CConfiguration::LoadOutcome::Rejected: return "rejected, defaults in force";
    case CConfiguration::LoadOutcome::Reset: return "out of range, defaulted fields reset";
    }
    return "";
}

template <size_t N>
std::string Hex(const uint8_t (&bytes)[N]) {
    std::ostringstream s;
    for (uint8_t b : bytes) s << std::hex << std::setw(2) << std::setfill('0') << int(b);
    return s.str();
}

void PrintConfiguration(const CConfiguration& c, std::ostream& out) {
    out << "surveyRange=" << c.surveyRange << '\n' << "surveyFilter=" << c.surveyFilter << '\n';
    for (int i = 0; i < 4; ++i) out << "surveyCustomCutoffs[" << i << "]=" << c.surveyCustomCutoffs[i] << '\n';
    out << "unitSystem=" << c.unitSystem << '\n'
        << "velocityPerMs=" << c.velocityPerMs << '\n'
        << "stationA=" << c.stationA << '\n'
        << "stationB=" << c.stationB << '\n'
        << "powerOffTime=" << c.powerOffTime << '\n'
        << "brightness=" << c.brightness << '\n'
        << "language=" << platform::Utf16ToUtf8(c.Language()) << '\n'
        << "useFftEngine=" << int(c.useFftEngine) << '\n'
        << "snapshotMode=" << int(c.snapshotMode) << '\n'
        << "multiFilter=" << int(c.multiFilter) << '\n'
        << "reserved59=" << int(c.reserved59) << '\n'
        << "branding=" << c.branding << '\n'
        << "notchMode=" << c.notchMode << '\n';
    for (int i = 0; i < 3; ++i) {
        const RadioRecord& r = c.radio[i];
        const std::string p = "radio[" + std::to_string(i) + "].";
        out << p << "frequency=" << r.frequency << '\n' << p << "setting=" << r.setting << '\n'
            << p << "bandIndex=" << r.bandIndex << '\n' << p << "spacing=" << r.spacing << '\n';
    }
    out << "testMode=" << int(c.testMode) << '\n'
        << "reserved129=" << Hex(c.reserved129) << '\n'
        << "linearFrequencyAxis=" << c.linearFrequencyAxis << '\n'
        << "bothPolarities=" << c.bothPolarities << '\n'
        << "postFilter=" << c.postFilter << '\n'
        << "redManual=" << int(c.redManual) << '\n'
        << "blueManual=" << int(c.blueManual) << '\n'
        << "reserved146=" << Hex(c.reserved146) << '\n'
        << "filterOptimisation=" << c.filterOptimisation << '\n'
        << "rssiFloor=" << c.rssiFloor << '\n'
        << "colourScheme=" << c.colourScheme << '\n'
        << "touchCalibration=" << platform::Utf16ToUtf8(c.TouchCalibration()) << '\n'
        << "dimLevel=" << c.dimLevel << '\n'
        << "dimDelay=" << c.dimDelay << '\n'
        << "dimSetting3=" << c.dimSetting3 << '\n'
        << "rssiSpan=" << c.rssiSpan << '\n'
        << "reserved688=" << Hex(c.reserved688) << '\n'
        << "peakSharpenPlastic=" << c.peakSharpenPlastic << '\n'
        << "peakSharpenOther=" << c.peakSharpenOther << '\n'
        << "sharpenSelection=" << c.sharpenSelection << '\n';
}

}  // namespace

int CmdConfShow(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.size() > 1) {
        err << "usage: corrtool conf show [FILE]\n";
        return 2;
    }
    CConfiguration config;
    std::ifstream file;
    std::string name;
    if (!OpenInputFile(args, kConfigurationFile, file, name)) {
        err << "corrtool: cannot open " << name << '\n';
        return 1;
    }
    const auto outcome = config.LoadFrom(file);
    out << "file=" << name << '\n' << "load=" << OutcomeText(outcome) << '\n';
    PrintConfiguration(config, out);
    return 0;
}

int CmdConfWriteDefault(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        err << "usage: corrtool conf write-default FILE\n";
        return 2;
    }
    // A write that fails keeps the old file.
    const bool written = platform::WriteHostFileDurably(args[0], [](std::ostream& os) {
        CConfiguration().WriteTo(os);
        return static_cast<bool>(os);
    });
    if (!written) {
        err << "corrtool: cannot write " << args[0] << '\n';
        return 1;
    }
    out << "file=" << args[0] << "\nbytes=" << (18 + CConfiguration::kRecordSize) << '\n';
    return 0;
}
