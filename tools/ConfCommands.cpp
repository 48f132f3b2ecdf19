// corrtool conf: the settings file as start-up loads it.

#include <fstream>
#include <iomanip>
#include <sstream>

#include "platform/DurableWrite.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/Configuration.h"
#include "tools/Corrtool.h"
#include "tools/ResultOut.h"

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

// The record's fields under their own names. Arrays print as name[i]=
// lines, or JSON arrays; the reserved bytes as hexadecimal text.
void PrintConfiguration(const CConfiguration& c, CResultOut& r, std::ostream& out) {
    r.Number("surveyRange", c.surveyRange);
    r.Number("surveyFilter", c.surveyFilter);
    if (r.IsJson()) r.Numbers("surveyCustomCutoffs", std::vector<double>(std::begin(c.surveyCustomCutoffs),
                                                                          std::end(c.surveyCustomCutoffs)));
    else
        for (int i = 0; i < 4; ++i) out << "surveyCustomCutoffs[" << i << "]=" << c.surveyCustomCutoffs[i] << '\n';
    r.Number("unitSystem", c.unitSystem);
    r.Number("velocityPerMs", c.velocityPerMs);
    r.Number("stationA", c.stationA);
    r.Number("stationB", c.stationB);
    r.Number("powerOffTime", c.powerOffTime);
    r.Number("brightness", c.brightness);
    r.Text("language", platform::Utf16ToUtf8(c.Language()));
    r.Number("useFftEngine", int(c.useFftEngine));
    r.Number("snapshotMode", int(c.snapshotMode));
    r.Number("multiFilter", int(c.multiFilter));
    r.Number("reserved59", int(c.reserved59));
    r.Number("branding", c.branding);
    r.Number("notchMode", c.notchMode);
    if (r.IsJson()) r.BeginList("radio");
    for (int i = 0; i < 3; ++i) {
        const RadioRecord& radio = c.radio[i];
        const std::string p = r.IsJson() ? "" : "radio[" + std::to_string(i) + "].";
        if (r.IsJson()) r.BeginItem();
        r.Number(p + "frequency", radio.frequency);
        r.Number(p + "setting", radio.setting);
        r.Number(p + "bandIndex", radio.bandIndex);
        r.Number(p + "spacing", radio.spacing);
        if (r.IsJson()) r.EndItem();
    }
    if (r.IsJson()) r.EndList();
    r.Number("testMode", int(c.testMode));
    r.Text("reserved129", Hex(c.reserved129));
    r.Number("linearFrequencyAxis", c.linearFrequencyAxis);
    r.Number("bothPolarities", c.bothPolarities);
    r.Number("postFilter", c.postFilter);
    r.Number("redManual", int(c.redManual));
    r.Number("blueManual", int(c.blueManual));
    r.Text("reserved146", Hex(c.reserved146));
    r.Number("filterOptimisation", c.filterOptimisation);
    r.Number("rssiFloor", c.rssiFloor);
    r.Number("colourScheme", c.colourScheme);
    r.Text("touchCalibration", platform::Utf16ToUtf8(c.TouchCalibration()));
    r.Number("dimLevel", c.dimLevel);
    r.Number("dimDelay", c.dimDelay);
    r.Number("dimSetting3", c.dimSetting3);
    r.Number("rssiSpan", c.rssiSpan);
    r.Text("reserved688", Hex(c.reserved688));
    r.Number("peakSharpenPlastic", c.peakSharpenPlastic);
    r.Number("peakSharpenOther", c.peakSharpenOther);
    r.Number("sharpenSelection", c.sharpenSelection);
}

}  // namespace

int CmdConfShow(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    const bool json = TakeJsonFlag(args);
    if (args.size() > 1) return UsageError("conf", "show", err);
    CConfiguration config;
    std::ifstream file;
    std::string name;
    if (!OpenInputFile(args, kConfigurationFile, file, name)) {
        err << "corrtool: cannot open " << name << '\n';
        return 1;
    }
    const auto outcome = config.LoadFrom(file);
    CResultOut r(out, json);
    r.Text("file", name);
    r.Text("load", OutcomeText(outcome));
    PrintConfiguration(config, r, out);
    r.Finish();
    return 0;
}

int CmdConfWriteDefault(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) return UsageError("conf", "write-default", err);
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
