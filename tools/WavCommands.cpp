// corrtool wav: a recording's header fields and what playback would make of it.

#include <fstream>
#include <memory>

#include "dsp/WaveFile.h"
#include "tools/Corrtool.h"
#include "tools/ResultOut.h"

namespace {

// Four identifier characters, unprintable ones shown as '?'.
std::string Printable(const char (&four)[4]) {
    std::string s(four, 4);
    for (char& c : s)
        if (c < 0x20 || c > 0x7E) c = '?';
    return s;
}

// Why playback treats the file as holding no frames.
const char* Unplayable(const WavHeader& h) {
    if (h.format != 1) return "not PCM";
    if (h.channels != 2) return "not stereo";
    if (h.bitsPerSample != 16) return "not 16-bit";
    return "block align is not 4";
}

void PrintHeader(const WavHeader& h, CResultOut& r) {
    r.Text("riff", Printable(h.riff));
    r.Number("riffSize", h.riffSize);
    r.Text("wave", Printable(h.wave));
    r.Text("fmt", Printable(h.fmt));
    r.Number("fmtSize", h.fmtSize);
    r.Number("format", h.format);
    r.Number("channels", h.channels);
    r.Number("sampleRate", h.sampleRate);
    r.Number("byteRate", h.byteRate);
    r.Number("blockAlign", h.blockAlign);
    r.Number("bitsPerSample", h.bitsPerSample);
    r.Text("data", Printable(h.data));
    r.Number("dataSize", h.dataSize);
}

// "playable=yes|no" in lines, a JSON boolean.
void PrintPlayable(bool playable, CResultOut& r) {
    if (r.IsJson()) r.Bool("playable", playable);
    else r.Text("playable", playable ? "yes" : "no");
}

// What the header and the reader say; the note explains an unplayable or short file.
void PrintWav(const WavHeader& header, bool complete, const CWaveReader& reader, CResultOut& r) {
    if (!complete) {
        r.Text("header", "short");
        r.Number("frames", 0);
        PrintPlayable(false, r);
        r.Text("note", "shorter than a 44-byte header: no frames");
        return;
    }
    PrintHeader(header, r);
    r.Number("frames", reader.FrameCount());
    if (reader.SampleRate() > 0) r.Number("seconds", static_cast<double>(reader.FrameCount()) / reader.SampleRate());
    PrintPlayable(reader.Playable(), r);
    if (!reader.Playable()) {
        r.Text("note", std::string(Unplayable(header)) + ": played as a recording with no frames");
    } else if (int64_t{header.dataSize} / wavfile::kFrameBytes > reader.FrameCount()) {
        r.Text("note", "data size announces " + std::to_string(header.dataSize / wavfile::kFrameBytes) +
                           " frames; the file holds fewer");
    }
}

}  // namespace

int CmdWavInfo(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    const bool json = TakeJsonFlag(args);
    if (args.size() != 1) return UsageError("wav", "info", err);
    auto file = std::make_unique<std::ifstream>(args[0], std::ios::binary);
    if (!file->is_open()) {
        err << "corrtool: cannot open " << args[0] << '\n';
        return 1;
    }
    std::istream& stream = *file;
    stream.seekg(0, std::ios::end);
    const auto length = static_cast<long long>(stream.tellg());
    stream.seekg(0);
    WavHeader header{};
    const bool complete = wavfile::ReadHeader(stream, header);

    CWaveReader reader;
    reader.Open(std::move(file));
    CResultOut r(out, json);
    r.Text("file", args[0]);
    r.Number("bytes", length);
    PrintWav(header, complete, reader, r);
    r.Finish();
    return 0;
}
