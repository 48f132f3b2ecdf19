// corrtool wav: a recording's header fields and what playback would make of it.

#include <fstream>
#include <memory>

#include "dsp/WaveFile.h"
#include "tools/Corrtool.h"

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

void PrintHeader(const WavHeader& h, std::ostream& out) {
    out << "riff=" << Printable(h.riff) << '\n'
        << "riffSize=" << h.riffSize << '\n'
        << "wave=" << Printable(h.wave) << '\n'
        << "fmt=" << Printable(h.fmt) << '\n'
        << "fmtSize=" << h.fmtSize << '\n'
        << "format=" << h.format << '\n'
        << "channels=" << h.channels << '\n'
        << "sampleRate=" << h.sampleRate << '\n'
        << "byteRate=" << h.byteRate << '\n'
        << "blockAlign=" << h.blockAlign << '\n'
        << "bitsPerSample=" << h.bitsPerSample << '\n'
        << "data=" << Printable(h.data) << '\n'
        << "dataSize=" << h.dataSize << '\n';
}

}  // namespace

int CmdWavInfo(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        err << "usage: corrtool wav info FILE\n";
        return 2;
    }
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
    out << "file=" << args[0] << '\n' << "bytes=" << length << '\n';
    if (!complete) {
        out << "header=short\nframes=0\nplayable=no\nnote=shorter than a 44-byte header: no frames\n";
        return 0;
    }
    PrintHeader(header, out);
    out << "frames=" << reader.FrameCount() << '\n';
    if (reader.SampleRate() > 0)
        out << "seconds=" << static_cast<double>(reader.FrameCount()) / reader.SampleRate() << '\n';
    if (!reader.Playable()) {
        out << "playable=no\nnote=" << Unplayable(header) << ": played as a recording with no frames\n";
        return 0;
    }
    out << "playable=yes\n";
    if (int64_t{header.dataSize} / wavfile::kFrameBytes > reader.FrameCount())
        out << "note=data size announces " << header.dataSize / wavfile::kFrameBytes
            << " frames; the file holds fewer\n";
    return 0;
}
