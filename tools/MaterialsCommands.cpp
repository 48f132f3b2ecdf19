// corrtool materials: the material table as start-up loads it, and a new
// database file of the built-in table.

#include <fstream>
#include <sstream>

#include "pipe/Materials.h"
#include "platform/DurableWrite.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "tools/Corrtool.h"
#include "tools/ResultOut.h"

namespace {

std::string Cutoffs(const CutoffPair (&pairs)[kRangeCount]) {
    std::string text;
    for (const CutoffPair& p : pairs) {
        if (!text.empty()) text += ',';
        text += std::to_string(p.low) + '-' + std::to_string(p.high);
    }
    return text;
}

void PrintBand(const DiameterBand& b, const std::string& key, std::ostream& out) {
    out << key << "=diameter:" << b.minDiameter << '-' << b.maxDiameter << " velocity:" << b.velocity
        << " general:" << Cutoffs(b.general) << " hydrophone:" << Cutoffs(b.hydrophone) << '\n';
}

void PrintTable(const CMaterials& table, std::ostream& out) {
    for (int slot = 0; slot < CMaterials::kSlotCount; ++slot) {
        const MaterialEntry& e = table.Slot(slot);
        const MaterialColour c = CMaterials::SlotColour(slot);
        const std::string key = "slot[" + std::to_string(slot) + "]";
        out << key << ".name=" << platform::Utf16ToUtf8(e.name) << '\n'
            << key << ".group=" << e.group << '\n'
            << key << ".colour=" << int(c.r) << ',' << int(c.g) << ',' << int(c.b) << '\n'
            << key << ".bands=" << e.ListedBandCount() << '\n';
        for (int i = 0; i < MaterialEntry::kBandCount; ++i) {
            if (!e.bands[static_cast<size_t>(i)].IsEmpty())
                PrintBand(e.bands[static_cast<size_t>(i)], key + ".band[" + std::to_string(i) + "]", out);
        }
    }
}

void PrintCutoffs(std::string_view key, const CutoffPair (&pairs)[kRangeCount], CResultOut& r) {
    r.BeginList(key);
    for (const CutoffPair& p : pairs) {
        r.BeginItem();
        r.Number("low_hz", p.low);
        r.Number("high_hz", p.high);
        r.EndItem();
    }
    r.EndList();
}

// JSON: every slot with its listed bands, diameters in mm.
void PrintTableJson(const CMaterials& table, CResultOut& r) {
    r.BeginList("slots");
    for (int slot = 0; slot < CMaterials::kSlotCount; ++slot) {
        const MaterialEntry& e = table.Slot(slot);
        const MaterialColour c = CMaterials::SlotColour(slot);
        r.BeginItem();
        r.Number("slot", slot);
        r.Text("name", platform::Utf16ToUtf8(e.name));
        r.Number("group", e.group);
        r.Numbers("colour_rgb", {double(c.r), double(c.g), double(c.b)});
        r.BeginList("bands");
        for (int i = 0; i < MaterialEntry::kBandCount; ++i) {
            const DiameterBand& b = e.bands[static_cast<size_t>(i)];
            if (b.IsEmpty()) continue;
            r.BeginItem();
            r.Number("band", i);
            r.Number("diameter_min_mm", b.minDiameter);
            r.Number("diameter_max_mm", b.maxDiameter);
            r.Number("velocity_m_per_s", b.velocity);
            PrintCutoffs("general", b.general, r);
            PrintCutoffs("hydrophone", b.hydrophone, r);
            r.EndItem();
        }
        r.EndList();
        r.EndItem();
    }
    r.EndList();
}

}  // namespace

int CmdMaterialsShow(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    const bool json = TakeJsonFlag(args);
    if (args.size() > 1) return UsageError("materials", "show", err);
    CMaterials table;
    std::ifstream file;
    std::string name;
    // As at start-up: a missing or foreign file leaves the built-in table.
    std::string outcome = "missing, built-in table in force";
    if (OpenInputFile(args, CMaterials::kFile, file, name)) {
        try {
            table.ReadFrom(file);
            outcome = "read";
        } catch (const std::exception& e) {
            outcome = std::string("rejected (") + e.what() + "), built-in table in force";
        }
    }
    CResultOut r(out, json);
    r.Text("file", name);
    r.Text("load", outcome);
    if (json) PrintTableJson(table, r);
    else PrintTable(table, out);
    r.Finish();
    return 0;
}

int CmdMaterialsWrite(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) return UsageError("materials", "write", err);
    std::ostringstream bytes;
    CMaterials().WriteTo(bytes);
    // A write that fails keeps the old file.
    const bool written = platform::WriteHostFileDurably(args[0], [&bytes](std::ostream& os) {
        return static_cast<bool>(os << bytes.str());
    });
    if (!written) {
        err << "corrtool: cannot write " << args[0] << '\n';
        return 1;
    }
    out << "file=" << args[0] << "\nbytes=" << bytes.str().size() << '\n';
    return 0;
}
