#include "tools/ResultOut.h"

#include <charconv>
#include <cmath>

CResultOut::CResultOut(std::ostream& out, bool json) : m_out(out), m_json(json) {
    if (m_json) m_out << '{';
}

std::string CResultOut::FormatNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string CResultOut::FormatNumber(float value) {
    if (!std::isfinite(value)) return "null";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string CResultOut::JsonString(std::string_view text) {
    std::string s = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            s += '\\';
            s += c;
        } else if (c == '\n') {
            s += "\\n";
        } else if (c == '\t') {
            s += "\\t";
        } else if (u < 0x20) {
            static const char kHex[] = "0123456789abcdef";
            s += "\\u00";
            s += kHex[u >> 4];
            s += kHex[u & 15];
        } else {
            s += c;
        }
    }
    return s + '"';
}

void CResultOut::Key(std::string_view key) {
    if (m_json) {
        if (!m_first) m_out << ',';
        m_first = false;
        m_out << JsonString(key) << ':';
        return;
    }
    if (m_item >= 0) m_out << m_listKey << '.' << m_item << '.';
    m_out << key << '=';
}

void CResultOut::Number(std::string_view key, double value) {
    Key(key);
    // key=value lines keep the stream's own formatting, as the commands always printed.
    if (m_json) m_out << FormatNumber(value);
    else m_out << value << '\n';
}

void CResultOut::Number(std::string_view key, float value) {
    Key(key);
    if (m_json) m_out << FormatNumber(value);
    else m_out << value << '\n';
}

void CResultOut::Integer(std::string_view key, int64_t value) {
    Key(key);
    m_out << value;
    if (!m_json) m_out << '\n';
}

void CResultOut::Text(std::string_view key, std::string_view value) {
    Key(key);
    if (m_json) m_out << JsonString(value);
    else m_out << value << '\n';
}

void CResultOut::Bool(std::string_view key, bool value) {
    Key(key);
    if (m_json) m_out << (value ? "true" : "false");
    else m_out << (value ? 1 : 0) << '\n';
}

void CResultOut::Numbers(std::string_view key, const std::vector<double>& values) {
    Key(key);
    const char* separator = m_json ? "[" : "";
    for (const double v : values) {
        m_out << separator;
        if (m_json) m_out << FormatNumber(v);
        else m_out << v;
        separator = ",";
    }
    if (m_json) m_out << (values.empty() ? "[]" : "]");
    else m_out << '\n';
}

void CResultOut::BeginList(std::string_view key) {
    if (m_json) {
        Key(key);
        m_out << '[';
        m_first = true;
        return;
    }
    m_listKey = key;
    m_item = -1;
}

void CResultOut::BeginItem() {
    if (m_json) {
        if (!m_first) m_out << ',';
        m_out << '{';
        m_first = true;
        return;
    }
    ++m_item;
}

void CResultOut::EndItem() {
    if (m_json) {
        m_out << '}';
        m_first = false;
    }
}

void CResultOut::EndList() {
    if (m_json) {
        m_out << ']';
        m_first = false;
        return;
    }
    m_listKey.clear();
    m_item = -1;
}

void CResultOut::Finish() {
    if (m_json) m_out << "}\n";
}
