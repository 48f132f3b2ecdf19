#include "screens/FileDetails.h"

#include <exception>
#include <fstream>
#include <memory>

#include "dsp/Correlation.h"
#include "pipe/ComputationFile.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace {

// Labels of a run's panel.
constexpr int kTypeCorrelation = 121, kRecordedAudio = 122, kPipe = 123, kFilters = 124, kStations = 125,
              kSensors = 126, kTitle = 127, kComments = 128, kReference = 129, kTypeComputation = 200;
constexpr int kStationNames[] = {102, 103, 104, 105};  // Base, Red, Blue, Yellow
constexpr int kSensorNames[] = {133, 107, 106, 201};   // none, hydrophone, accelerometer, microphone
constexpr std::u16string_view kUnknownName = u"---";

std::u16string Ascii(const std::string& s) { return platform::Utf8ToUtf16(s); }

std::u16string Labelled(const DetailWords& w, int id, std::u16string_view value) {
    return w.text(id) + u" " + std::u16string(value);
}

std::u16string StationName(const DetailWords& w, int32_t code) {
    return code >= 0 && code < 4 ? w.text(kStationNames[code]) : std::u16string(kUnknownName);
}

std::u16string Stations(const DetailWords& w, int32_t a, int32_t b) {
    return Labelled(w, kStations, StationName(w, a) + u" - " + StationName(w, b));
}

bool EndsWith(const std::string& path, std::string_view ext) {
    return path.size() >= ext.size() && platform::FoldCase(path.substr(path.size() - ext.size())) == ext;
}

std::vector<std::u16string> Unreadable(const DetailWords& w) { return {w.text(kStringUnreadableFile)}; }

}  // namespace

std::vector<std::u16string> CorrelationDetailLines(const std::string& devicePath, const DetailWords& w) {
    std::ifstream file = platform::OpenForRead(devicePath);
    if (!file.is_open()) return Unreadable(w);
    // A scratch run: the header, pipe, filters and texts, no accumulators.
    auto run = CCorrelation::CreateStartupRun({});
    try {
        run->Read(file, true);
    } catch (const std::exception&) {
        return Unreadable(w);
    }
    const float rate = run->FileSampleRate();
    const double seconds = rate > 0 ? run->RedSamplesReceived() / static_cast<double>(rate) : 0.0;
    const CPipe& pipe = run->Pipe();
    const int32_t sensor = pipe.GetSensorType();
    const auto& info = run->Info();
    return {
        w.text(kTypeCorrelation),
        Labelled(w, kRecordedAudio, Ascii(platform::FormatCString("%.1fs", seconds))),
        Labelled(w, kPipe, pipe.GetDescription(w.length)),
        Labelled(w, kFilters, run->FilterDescription(w.filters)),
        Stations(w, static_cast<int32_t>(pipe.GetStationA()), static_cast<int32_t>(pipe.GetStationB())),
        Labelled(w, kSensors, sensor >= 0 && sensor < 4 ? w.text(kSensorNames[sensor]) : std::u16string(kUnknownName)),
        Labelled(w, kTitle, info[0]),
        Labelled(w, kComments, info[1]),
        info[2],
        info[3],
        Labelled(w, kReference, info[4]),
    };
}

std::vector<std::u16string> ComputationDetailLines(const std::string& devicePath, const DetailWords& w) {
    std::ifstream file = platform::OpenForRead(devicePath);
    if (!file.is_open()) return Unreadable(w);
    Computation c;
    try {
        ReadComputation(file, c, w.length, TimeUnit::Milliseconds);
    } catch (const std::exception&) {
        return Unreadable(w);
    }
    return {
        w.text(kTypeComputation),
        Stations(w, c.leftStation, c.rightStation),
        Labelled(w, kStringPoints, Ascii(std::to_string(c.points.Size()))),
    };
}

std::vector<std::u16string> FileDetailLines(const std::string& devicePath, const DetailWords& w) {
    if (EndsWith(devicePath, ".corr")) return CorrelationDetailLines(devicePath, w);
    if (EndsWith(devicePath, ".comp")) return ComputationDetailLines(devicePath, w);
    return {};
}
