#include "pipe/ComputationFile.h"

#include <cmath>
#include <sstream>
#include <utility>

#include "archive/Archive.h"

namespace {

constexpr archive::Tag kComputationMagic = archive::MakeTag("TkLR");
constexpr archive::Tag kListTag = archive::MakeTag("LinR");
constexpr archive::Tag kStationsTag = archive::MakeTag("LRDt");
constexpr int32_t kFileKind = 2;
constexpr int16_t kVersion = 1;
constexpr int32_t kStationsSize = 8;

bool IsStation(int32_t code) { return code >= 0 && code <= 3; }

}  // namespace

void WriteComputation(std::ostream& os, const Computation& c, LengthUnit length, TimeUnit time) {
    using namespace archive;
    WriteTag(os, kComputationMagic);
    WriteInt32(os, kFileKind);
    WriteInt16(os, kVersion);
    std::ostringstream body;
    WriteInt32(body, static_cast<int32_t>(length));
    WriteInt32(body, static_cast<int32_t>(time));
    c.points.Write(body);
    WriteChunk(os, kListTag, body.str());
    WriteTag(os, kStationsTag);
    WriteInt32(os, kStationsSize);
    WriteInt32(os, c.leftStation);
    WriteInt32(os, c.rightStation);
}

ComputationUnits ReadComputation(std::istream& is, Computation& result, LengthUnit length, TimeUnit time) {
    using namespace archive;
    Computation c;  // the caller's stays as it was until the whole file has been read
    archive::Require(ReadTag(is) == kComputationMagic && !is.fail(), kComputationUnknownType);
    int32_t kind = 0;
    ReadInt32(is, kind);
    archive::Require(!is.fail() && kind == kFileKind, kComputationUnknownType);
    int16_t version = 0;
    ReadInt16(is, version);
    archive::Require(!is.fail() && version == kVersion, kComputationUnsupportedVersion);

    archive::Require(ReadTag(is) == kListTag && !is.fail(), kComputationUnknownType);
    int32_t bodySize = 0, storedLength = 0, storedTime = 0;
    ReadInt32(is, bodySize);  // the list carries its own size
    ReadInt32(is, storedLength);
    ReadInt32(is, storedTime);
    archive::Require(!is.fail(), kComputationUnknownType);
    const ComputationUnits stored{static_cast<LengthUnit>(storedLength), static_cast<TimeUnit>(storedTime)};
    c.points.Read(is);
    for (size_t i = 0; i < c.points.Size(); ++i) {
        RegressionPoint& p = c.points.Point(i);
        p.x = ConvertLength(p.x, stored.length, length);
        p.y = ConvertTime(p.y, stored.time, time);
        // A separation or delay that is no number (or overflows in the
        // display unit) has no place on the graph or in the fit.
        archive::Require(std::isfinite(p.x) && std::isfinite(p.y), kComputationUnknownType);
    }

    archive::Require(ReadTag(is) == kStationsTag && !is.fail(), kComputationUnknownType);
    int32_t size = 0, left = 0, right = 0;
    ReadInt32(is, size);
    archive::Require(!is.fail() && size == kStationsSize, kComputationUnknownType);
    ReadInt32(is, left);
    ReadInt32(is, right);
    // The codes pick the station pictures; only 0-3 have one.
    archive::Require(!is.fail() && IsStation(left) && IsStation(right), kComputationUnknownType);
    c.leftStation = left;
    c.rightStation = right;
    result = std::move(c);
    return stored;
}
