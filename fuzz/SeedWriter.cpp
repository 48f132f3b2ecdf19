// corr_fuzz_seeds OUTDIR SOURCEDIR: the harnesses' first inputs, one folder
// per harness, made by the program's own writers (small runs, the default
// records, a computation, a registry hive, an attribute store) and taken from
// its own resources (language packs, each built-in dialog template, scenarios).

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "dsp/Correlation.h"
#include "dsp/WaveFile.h"
#include "pipe/ComputationFile.h"
#include "pipe/Materials.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "settings/Configuration.h"

namespace fs = std::filesystem;

namespace {

fs::path g_out;

void Seed(const std::string& harness, const std::string& name, const std::string& bytes) {
    fs::create_directories(g_out / harness);
    std::ofstream(g_out / harness / name, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A short run over a 5 ms range: a few hundred samples of a delayed noise.
std::unique_ptr<CCorrelation> SmallRun(int32_t traces) {
    auto run = std::make_unique<CCorrelation>(50, 100, 5.0f, 1, 10000.0f, CorrelationOptions{});
    run->SetTraceCount(traces);
    PipeSegment section;
    section.SetMaterial(u"PVC");
    section.SetLength(4.0f, LengthUnit::Metres);
    section.SetVelocity(400.0f);
    run->Pipe().AddSection(section);
    run->Info()[0] = u"SEED";
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> u(-1000, 1000);
    std::vector<int16_t> red(600), blue(600);
    for (size_t i = 0; i < red.size(); ++i) red[i] = static_cast<int16_t>(u(gen));
    for (size_t i = 0; i < blue.size(); ++i) blue[i] = i >= 12 ? red[i - 12] : 0;
    run->AddRedSamples(red.data(), 600);
    run->AddBlueSamples(blue.data(), 600);
    while (run->Correlate(1 << 20) > 0) {
    }
    return run;
}

void RunSeeds() {
    for (int32_t traces : {1, 3}) {
        auto run = SmallRun(traces);
        std::ostringstream corr, wav;
        run->Write(corr);
        wavfile::WriteWav(wav, run->RedRaw(), run->BlueRaw(), 10000.0f);
        const std::string n = std::to_string(traces);
        Seed("corr", "traces" + n, corr.str());
        Seed("wav", "traces" + n, wav.str());
        const auto size = static_cast<uint32_t>(corr.str().size());
        std::string prefix(sizeof size, '\0');
        std::memcpy(prefix.data(), &size, sizeof size);
        Seed("replay", "traces" + n, prefix + corr.str() + wav.str());
    }
}

void RecordSeeds() {
    std::ostringstream conf;
    CConfiguration().WriteTo(conf);
    Seed("conf", "default", conf.str());
    CFactoryRecord factory;
    Seed("factory", "default", factory.RecordBytes());
    factory.SetSerial(u"SN 0001");
    factory.radioFrequency = CFactoryRecord::kRetiredFrequency;
    Seed("factory", "retired", factory.RecordBytes());
    std::ostringstream materials;
    CMaterials().WriteTo(materials);
    Seed("materials", "default", materials.str());
    Computation c;
    c.points.Append(10.0f, 0.01f);
    c.points.Append(20.0f, 0.02f, false);
    c.points.Append(40.0f, 0.035f);
    std::ostringstream comp;
    WriteComputation(comp, c, LengthUnit::Metres, TimeUnit::Seconds);
    Seed("comp", "three", comp.str());
}

// The registry and the attribute store as the platform layer writes them.
void UnitSeeds() {
    const fs::path root = g_out / "unit";
    platform::SetUnitRoot(root);
    platform::RegSetString(platform::Hive::LocalMachine, "HARDWARE\\DEVICEMAP\\TOUCH", "CalibrationData", u"1,2,3");
    platform::RegSetString(platform::Hive::LocalMachine, "Software\\Tab\\Key", "Name\tWith\\Escapes", u"line\nbreak");
    platform::RegFlush(platform::Hive::LocalMachine);
    std::ofstream(platform::HostPath("\\NandFlash\\a.corr")) << "a";
    platform::SetFileAttributes("\\NandFlash\\a.corr", platform::kAttrHidden | platform::kAttrReadOnly);
    platform::SetFileAttributes("\\NandFlash", platform::kAttrArchive);
    Seed("registry", "hklm", Slurp(platform::HostPath("\\registry\\HKLM.reg")));
    Seed("attributes", "two", Slurp(root / ".attributes"));
    fs::remove_all(root);
}

// Packs whole, and every template of the built-in resources on its own.
void TextSeeds(const fs::path& source) {
    for (const auto& e : fs::directory_iterator(source / "resources" / "lang"))
        Seed("langpack", e.path().filename().string(), Slurp(e.path()));
    for (const auto& e : fs::directory_iterator(source / "resources" / "scenarios"))
        Seed("scenario", e.path().filename().string(), Slurp(e.path()));
    for (const auto& e : fs::directory_iterator(source / "resources" / "builtin")) {
        std::istringstream lines(Slurp(e.path()));
        std::string line, id, body;
        while (std::getline(lines, line)) {
            if (line.rfind("dialog ", 0) == 0) {
                id = line.substr(7);
                body.clear();
            } else if (line == "end" && !id.empty()) {
                Seed("dialog", "dialog" + id, body);
                id.clear();
            } else if (!id.empty()) {
                body += line + '\n';
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: corr_fuzz_seeds OUTDIR SOURCEDIR\n";
        return 2;
    }
    g_out = argv[1];
    RunSeeds();
    RecordSeeds();
    UnitSeeds();
    TextSeeds(argv[2]);
    return 0;
}
