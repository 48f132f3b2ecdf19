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

namespace {

void PrintComputation(const Computation& c, const ComputationUnits& stored, LengthUnit length, TimeUnit time,
                      std::ostream& out) {
    out << "storedLengthUnit=" << LengthUnitName(stored.length) << '\n'
        << "storedTimeUnit=" << (stored.time == TimeUnit::Milliseconds ? "ms" : "s") << '\n'
        << "lengthUnit=" << LengthUnitName(length) << '\n'
        << "timeUnit=" << (time == TimeUnit::Milliseconds ? "ms" : "s") << '\n'
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

struct CompArgs {
    Args files;
    LengthUnit length = LengthUnit::Metres;
    TimeUnit time = TimeUnit::Seconds;
};

// The display units default to metres and seconds.
CompArgs ParseCompArgs(const Args& args) {
    CompArgs c;
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
    if (a.files.size() < 2) {
        err << "usage: corrtool comp add FILE.comp RUN.corr... [--feet] [--ms]\n";
        return 2;
    }
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
    out << "file=" << name << '\n';
    PrintComputation(c, ComputationUnits{a.length, a.time}, a.length, a.time, out);
    return 0;
}

// comp show FILE [--feet] [--ms]: the display units default to metres and seconds.
int CmdCompShow(const Args& args, std::ostream& out, std::ostream& err) {
    const CompArgs a = ParseCompArgs(args);
    const Args& files = a.files;
    const LengthUnit length = a.length;
    const TimeUnit time = a.time;
    if (files.size() != 1) {
        err << "usage: corrtool comp show FILE [--feet] [--ms]\n";
        return 2;
    }
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
    out << "file=" << name << '\n';
    PrintComputation(c, stored, length, time, out);
    return 0;
}
