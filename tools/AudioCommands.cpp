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
    void Print(CResultOut& out) const override {
        const audio::AlsaCapture& c = m_unit->Capture();
        out.Text("device", c.Device());
        out.Number("native_rate", c.Rate());
        out.Text("format", c.FormatName());
        out.Number("channels", c.Channels());
        out.Number("xruns", m_unit->Xruns());
        out.Number("blocks", m_unit->BlocksDelivered());
        if (m_unit->Ended()) out.Text("input_ended", m_unit->EndMessage());
    }

private:
    std::shared_ptr<audio::AudioUnit> m_unit;
};

// Each device on one line of several fields, as corrtool has always listed them.
void PrintDeviceLine(const audio::CaptureDeviceInfo& d, std::ostream& out) {
    out << "device=" << d.name << " channels=" << d.minChannels << '-' << d.maxChannels << " rates=";
    for (size_t i = 0; i < d.rates.size(); ++i) out << (i ? "," : "") << d.rates[i];
    out << " description=" << d.description << '\n';
}

void PrintDeviceItem(const audio::CaptureDeviceInfo& d, CResultOut& r) {
    r.BeginItem();
    r.Text("device", d.name);
    r.Number("channels_min", d.minChannels);
    r.Number("channels_max", d.maxChannels);
    r.Numbers("rates_hz", std::vector<double>(d.rates.begin(), d.rates.end()));
    r.Text("description", d.description);
    r.EndItem();
}

#endif

}  // namespace

#ifdef CORRELATOR_HAVE_AUDIO

int CmdDevices(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    const bool json = TakeJsonFlag(args);
    if (!args.empty()) return UsageError("", "devices", err);
    const std::vector<audio::CaptureDeviceInfo> devices = audio::ListCaptureDevices();
    CResultOut r(out, json);
    if (json) {
        r.BeginList("devices");
        for (const audio::CaptureDeviceInfo& d : devices) PrintDeviceItem(d, r);
        r.EndList();
        r.Number("device_count", devices.size());
    } else {
        for (const audio::CaptureDeviceInfo& d : devices) PrintDeviceLine(d, out);
        r.Number("devices", devices.size());
    }
    r.Finish();
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
