// corrtool comp: a velocity computation file and the results the screen shows.

#include <fstream>

#include "pipe/ComputationFile.h"
#include "pipe/ComputeResults.h"
#include "platform/Text.h"
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

}  // namespace

// comp show FILE [--feet] [--ms]: the display units default to metres and seconds.
int CmdCompShow(const Args& args, std::ostream& out, std::ostream& err) {
    Args files;
    LengthUnit length = LengthUnit::Metres;
    TimeUnit time = TimeUnit::Seconds;
    for (const std::string& a : args) {
        if (a == "--feet") length = LengthUnit::Feet;
        else if (a == "--ms") time = TimeUnit::Milliseconds;
        else files.push_back(a);
    }
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
