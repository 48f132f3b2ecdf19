#include "tools/Manifest.h"

#include <cctype>
#include <filesystem>
#include <map>
#include <optional>

namespace {

using Fields = std::map<std::string, std::string>;

// A JSON string from its opening quote; nothing for an unfinished or
// non-ASCII escape.
std::optional<std::string> JsonString(const std::string& s, size_t& i) {
    std::string out;
    for (++i; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') return ++i, out;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= s.size()) return std::nullopt;
        switch (s[i]) {
        case '"': case '\\': case '/': out += s[i]; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'u': {
            if (i + 4 >= s.size()) return std::nullopt;
            for (size_t k = i + 1; k <= i + 4; ++k)
                if (!std::isxdigit(static_cast<unsigned char>(s[k]))) return std::nullopt;
            const unsigned long code = std::stoul(s.substr(i + 1, 4), nullptr, 16);
            if (code >= 0x80) return std::nullopt;
            out += static_cast<char>(code);
            i += 4;
            break;
        }
        default: return std::nullopt;
        }
    }
    return std::nullopt;
}

void SkipSpace(const std::string& s, size_t& i) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r')) ++i;
}

// One flat object of string values; the reason when it is not one.
std::string ParseJsonLine(const std::string& s, Fields& fields) {
    size_t i = 0;
    SkipSpace(s, i);
    if (i >= s.size() || s[i++] != '{') return "not a JSON object";
    SkipSpace(s, i);
    if (i < s.size() && s[i] == '}') return ++i, "";
    for (;;) {
        SkipSpace(s, i);
        if (i >= s.size() || s[i] != '"') return "a key must be a string";
        const auto key = JsonString(s, i);
        SkipSpace(s, i);
        if (!key || i >= s.size() || s[i++] != ':') return "bad key";
        SkipSpace(s, i);
        if (i >= s.size() || s[i] != '"') return "the value of '" + *key + "' must be a string";
        const auto value = JsonString(s, i);
        if (!value) return "bad string for '" + *key + "'";
        fields[*key] = *value;
        SkipSpace(s, i);
        if (i < s.size() && s[i] == ',') {
            ++i;
            continue;
        }
        if (i < s.size() && s[i] == '}') break;
        return "expected ',' or '}'";
    }
    SkipSpace(s, ++i);
    return i == s.size() ? "" : "text after the object";
}

std::vector<std::string> CsvFields(const std::string& s) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"' && quoted && i + 1 < s.size() && s[i + 1] == '"') out.back() += '"', ++i;
        else if (c == '"') quoted = !quoted;
        else if (c == ',' && !quoted) out.emplace_back();
        else if (c != '\r') out.back() += c;
    }
    return out;
}

std::string Resolved(const std::string& path, const std::string& folder) {
    if (path.empty() || std::filesystem::path(path).is_absolute()) return path;
    return (std::filesystem::path(folder) / path).string();
}

std::string ToJob(const Fields& fields, const std::string& folder, AnalyzeJob& job) {
    for (const auto& [key, value] : fields) {
        if (key == "run") job.run = Resolved(value, folder);
        else if (key == "red") job.red = Resolved(value, folder);
        else if (key == "blue") job.blue = Resolved(value, folder);
        else if (key == "stereo") job.stereo = Resolved(value, folder);
        else if (key == "pipe") job.pipe = value;
        else if (key == "band") job.band = value;
        else if (key == "weighting") job.weighting = value;
        else return "unknown key '" + key + "'";
    }
    return CheckJob(job);
}

}  // namespace

std::vector<ManifestEntry> ReadManifest(std::istream& is, const std::string& folder) {
    std::vector<ManifestEntry> entries;
    std::vector<std::string> columns;  // CSV: the header's names
    bool csv = false, first = true;
    int32_t number = 0;
    for (std::string line; std::getline(is, line);) {
        ++number;
        size_t at = 0;
        SkipSpace(line, at);
        if (at == line.size() || line[at] == '#') continue;
        if (first) {
            first = false;
            csv = line[at] != '{';
            if (csv) {
                columns = CsvFields(line);
                continue;
            }
        }
        ManifestEntry e;
        e.line = number;
        Fields fields;
        if (csv) {
            const std::vector<std::string> values = CsvFields(line);
            if (values.size() != columns.size()) e.error = "expected " + std::to_string(columns.size()) + " fields";
            for (size_t i = 0; i < values.size() && i < columns.size(); ++i)
                if (!values[i].empty()) fields[columns[i]] = values[i];
        } else {
            e.error = ParseJsonLine(line, fields);
        }
        if (e.error.empty()) e.error = ToJob(fields, folder, e.job);
        entries.push_back(std::move(e));
    }
    return entries;
}
