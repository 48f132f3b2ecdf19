// corrtool comp: a velocity computation file and the results the screen
// shows; saved runs added to one as the screen's ADD RESULT adds them.

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/RunSettings.h"
#include "dsp/RunPoint.h"

#include "pipe/ComputationFile.h"
#include "pipe/ComputeResults.h"
#include "platform/DurableWrite.h"
#include "platform/Text.h"
#include "settings/Configuration.h"
#include "tools/Corrtool.h"
#include "tools/ResultOut.h"

namespace {

const char* TimeUnitName(TimeUnit time) { return time == TimeUnit::Milliseconds ? "ms" : "s"; }

// Lines in the display units, with the screen's result texts.
void PrintComputationLines(const Computation& c, const ComputationUnits& stored, LengthUnit length, TimeUnit time,
                           std::ostream& out) {
    out << "storedLengthUnit=" << LengthUnitName(stored.length) << '\n'
        << "storedTimeUnit=" << TimeUnitName(stored.time) << '\n'
        << "lengthUnit=" << LengthUnitName(length) << '\n'
        << "timeUnit=" << TimeUnitName(time) << '\n'
        << "points=" << c.points.Size() << '\n' << "included=" << c.points.GetCount() << '\n';
    for (size_t i = 0; i < c.points.Size(); ++i) {
        const RegressionPoint& p = c.points.Point(i);
        out << "point[" << i << "]=" << p.x << ',' << p.y << ',' << int(p.included != 0) << '\n';
    }
    out << "leftStation=" << c.leftStation << '\n' << "rightStation=" << c.rightStation << '\n';
    const ComputeResultTexts r = ComputeResults(c.points, 0, length, time);
    out << "separation=" << platform::Utf16ToUtf8(r.separation) << '\n'
        << "leakDistance=" << platform::Utf16ToUtf8(r.leakDistance) << '\n'
        << "velocity=" << platform::Utf16ToUtf8(r.velocity) << '\n'
        << "delay=" << platform::Utf16ToUtf8(r.delay) << '\n';
}

// JSON in metres and seconds whatever the display units, the fit's numbers
// null when no line is fixed.
void PrintComputationJson(const Computation& c, const ComputationUnits& stored, LengthUnit length, TimeUnit time,
                          CResultOut& r) {
    r.Text("stored_length_unit", LengthUnitName(stored.length));
    r.Text("stored_time_unit", TimeUnitName(stored.time));
    LinearRegression si;
    r.BeginList("points");
    for (size_t i = 0; i < c.points.Size(); ++i) {
        const RegressionPoint& p = c.points.Point(i);
        si.Append(ConvertLength(p.x, length, LengthUnit::Metres), ConvertTime(p.y, time, TimeUnit::Seconds),
                  p.included != 0);
        r.BeginItem();
        r.Number("separation_m", si.Point(i).x);
        r.Number("delay_s", si.Point(i).y);
        r.Bool("included", p.included != 0);
        r.EndItem();
    }
    r.EndList();
    r.Number("included_count", si.GetCount());
    r.Number("left_station", c.leftStation);
    r.Number("right_station", c.rightStation);
    const ComputeFit fit = FitLeakAndVelocity(si);
    r.Number("leak_distance_m", fit.leakDistance);
    r.Number("velocity_m_per_s", fit.velocity);
}

void PrintComputation(const std::string& name, const Computation& c, const ComputationUnits& stored,
                      LengthUnit length, TimeUnit time, bool json, std::ostream& out) {
    CResultOut r(out, json);
    r.Text("file", name);
    if (json) PrintComputationJson(c, stored, length, time, r);
    else PrintComputationLines(c, stored, length, time, out);
    r.Finish();
}

struct CompArgs {
    Args files;
    bool json = false;
    LengthUnit length = LengthUnit::Metres;
    TimeUnit time = TimeUnit::Seconds;
};

// The display units default to metres and seconds.
CompArgs ParseCompArgs(Args args) {
    CompArgs c;
    c.json = TakeJsonFlag(args);
    for (const std::string& a : args) {
        if (a == "--feet") c.length = LengthUnit::Feet;
        else if (a == "--ms") c.time = TimeUnit::Milliseconds;
        else c.files.push_back(a);
    }
    return c;
}

// Through the durable write: a failed write leaves the old file as it was.
bool SaveComputation(const std::string& path, const Computation& c, LengthUnit length, TimeUnit time) {
    return platform::WriteHostFileDurably(path, [&](std::ostream& os) {
        WriteComputation(os, c, length, time);
        return static_cast<bool>(os);
    });
}

}  // namespace

// comp add FILE.comp RUN.corr... [--feet] [--ms]: an existing file is
// extended, a missing one created; any unreadable input changes nothing.
int CmdCompAdd(const Args& args, std::ostream& out, std::ostream& err) {
    const CompArgs a = ParseCompArgs(args);
    if (a.files.size() < 2) return UsageError("comp", "add", err);
    const std::string& name = a.files[0];
    Computation c;
    if (std::ifstream existing(name, std::ios::binary); existing.is_open()) {
        try {
            ReadComputation(existing, c, a.length, a.time);
        } catch (const std::exception& e) {
            err << "corrtool: " << name << ": " << e.what() << '\n';
            return 1;
        }
    }
    LoadGlobalRecords();  // the unit's peak polarity, as the screen finds peaks
    const CorrelationOptions options = CorrelationOptionsFromConfiguration();
    for (size_t i = 1; i < a.files.size(); ++i) {
        std::ifstream run(a.files[i], std::ios::binary);
        std::string error = "cannot open";
        const std::optional<RunPoint> point =
            run.is_open() ? ReadRunPoint(run, options, a.length, a.time, &error) : std::nullopt;
        if (!point) {
            err << "corrtool: " << a.files[i] << ": " << error << '\n';
            return 1;
        }
        AddRunPoint(c, *point);
    }
    if (!SaveComputation(name, c, a.length, a.time)) {
        err << "corrtool: cannot write " << name << '\n';
        return 1;
    }
    PrintComputation(name, c, ComputationUnits{a.length, a.time}, a.length, a.time, a.json, out);
    return 0;
}

// comp show FILE [--feet] [--ms]: the display units default to metres and seconds.
int CmdCompShow(const Args& args, std::ostream& out, std::ostream& err) {
    const CompArgs a = ParseCompArgs(args);
    const Args& files = a.files;
    const LengthUnit length = a.length;
    const TimeUnit time = a.time;
    if (files.size() != 1) return UsageError("comp", "show", err);
    const std::string& name = files[0];
    std::ifstream file(name, std::ios::binary);
    if (!file.is_open()) {
        err << "corrtool: cannot open " << name << '\n';
        return 1;
    }
    Computation c;
    ComputationUnits stored;
    try {
        stored = ReadComputation(file, c, length, time);
    } catch (const std::exception& e) {
        err << "corrtool: " << e.what() << '\n';
        return 1;
    }
    PrintComputation(name, c, stored, length, time, a.json, out);
    return 0;
}
