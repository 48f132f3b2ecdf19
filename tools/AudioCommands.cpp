// corrtool devices, and the audio unit behind corrtool acquire --unit audio.

#include "tools/AudioCommands.h"

#ifdef CORRELATOR_HAVE_AUDIO
#include "audio/AudioUnit.h"
#endif

namespace {

#ifdef CORRELATOR_HAVE_AUDIO

class InstalledAudio final : public AcquireAudio {
public:
    explicit InstalledAudio(std::shared_ptr<audio::AudioUnit> unit) : m_unit(std::move(unit)) {}
    bool Ended() const override { return m_unit->Ended(); }
    void Print(std::ostream& out) const override {
        const audio::AlsaCapture& c = m_unit->Capture();
        out << "device=" << c.Device() << '\n'
            << "native_rate=" << c.Rate() << '\n'
            << "format=" << c.FormatName() << '\n'
            << "channels=" << c.Channels() << '\n'
            << "xruns=" << m_unit->Xruns() << '\n'
            << "blocks=" << m_unit->BlocksDelivered() << '\n';
        if (m_unit->Ended()) out << "input_ended=" << m_unit->EndMessage() << '\n';
    }

private:
    std::shared_ptr<audio::AudioUnit> m_unit;
};

#endif

}  // namespace

#ifdef CORRELATOR_HAVE_AUDIO

int CmdDevices(const Args& args, std::ostream& out, std::ostream& err) {
    if (!args.empty()) return err << "usage: corrtool devices\n", 2;
    const std::vector<audio::CaptureDeviceInfo> devices = audio::ListCaptureDevices();
    for (const audio::CaptureDeviceInfo& d : devices) {
        out << "device=" << d.name << " channels=" << d.minChannels << '-' << d.maxChannels << " rates=";
        for (size_t i = 0; i < d.rates.size(); ++i) out << (i ? "," : "") << d.rates[i];
        out << " description=" << d.description << '\n';
    }
    out << "devices=" << devices.size() << '\n';
    return 0;
}

std::unique_ptr<AcquireAudio> InstallAcquireAudio(const std::string& unit, std::ostream& err) {
    audio::CaptureRequest request;
    std::string error;
    if (!audio::ParseUnitOption(unit, request, error)) {
        err << "corrtool: " << error << '\n';
        return nullptr;
    }
    try {
        return std::make_unique<InstalledAudio>(audio::InstallAudioUnit(request));
    } catch (const std::exception& e) {
        err << "corrtool: " << e.what() << '\n';
        return nullptr;
    }
}

#else

int CmdDevices(const Args&, std::ostream&, std::ostream& err) {
    err << "corrtool: built without audio input (ALSA and soxr were not found)\n";
    return 1;
}

std::unique_ptr<AcquireAudio> InstallAcquireAudio(const std::string&, std::ostream& err) {
    err << "corrtool: built without audio input (ALSA and soxr were not found)\n";
    return nullptr;
}

#endif
