#include "platform/Paths.h"

#include <cstdlib>
#include <mutex>
#include <vector>

namespace fs = std::filesystem;

namespace platform {
namespace {

struct RootState {
    fs::path root;
    bool chosen = false;
    std::vector<RootChangedHook> hooks;
};

RootState& State() {
    static RootState s;
    return s;
}

// The flash volume is always mounted on a unit.
constexpr const char* kFlashVolume = "NandFlash";

fs::path DefaultRoot() {
    if (const char* env = std::getenv("CORRELATOR_ROOT"); env && *env) return fs::path(env);
    return fs::current_path() / "unit";
}

std::vector<std::string> Components(std::string_view path) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!cur.empty()) parts.push_back(std::move(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(std::move(cur));
    return parts;
}

// The existing entry of dir whose name folds to the same text, else name.
std::string ResolveComponent(const fs::path& dir, const std::string& name) {
    if (name == "." || name == "..") return name;
    std::error_code ec;
    if (fs::exists(dir / name, ec)) return name;
    const std::string folded = FoldCase(name);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (FoldCase(entry) == folded) return entry;
    }
    return name;
}

}  // namespace

void SetUnitRoot(const fs::path& root) {
    RootState& s = State();
    s.root = fs::absolute(root);
    s.chosen = true;
    std::error_code ec;
    fs::create_directories(s.root / kFlashVolume, ec);
    for (RootChangedHook hook : s.hooks) hook();
}

const fs::path& UnitRoot() {
    RootState& s = State();
    if (!s.chosen) {
        s.root = fs::absolute(DefaultRoot());
        s.chosen = true;
        std::error_code ec;
        fs::create_directories(s.root / kFlashVolume, ec);
    }
    return s.root;
}

fs::path HostPath(std::string_view devicePath) {
    fs::path host = UnitRoot();
    for (const std::string& part : Components(devicePath)) {
        if (part == "..") continue;  // never climb out of the unit root
        host /= ResolveComponent(host, part);
    }
    return host;
}

std::string JoinDevicePath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (out.empty() || (out.back() != '\\' && out.back() != '/')) out += '\\';
    while (!name.empty() && (name.front() == '\\' || name.front() == '/')) name.remove_prefix(1);
    out += name;
    return out;
}

void SplitDevicePath(std::string_view path, std::string& folder, std::string& name) {
    const size_t cut = path.find_last_of("\\/");
    if (cut == std::string_view::npos) {
        folder.clear();
        name = std::string(path);
    } else {
        folder = std::string(path.substr(0, cut + 1));
        name = std::string(path.substr(cut + 1));
    }
}

std::string FoldCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

void OnUnitRootChanged(RootChangedHook hook) { State().hooks.push_back(hook); }

}  // namespace platform
