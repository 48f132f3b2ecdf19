#pragma once
// A strict JSON reader for the tests of corrtool's --json output: one value
// and nothing after it; objects with unique keys; strings with the escapes
// JSON allows; numbers in JSON's own grammar (no nan, inf, leading + or 0).
// Anything else throws std::runtime_error naming the offset.

#include <cctype>
#include <charconv>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;  // an array's, or an object's values in order
    std::vector<std::string> keys; // an object's, one a value

    // The field's value, or nullptr.
    const JsonValue* Find(std::string_view key) const {
        for (size_t i = 0; i < keys.size(); ++i)
            if (keys[i] == key) return &items[i];
        return nullptr;
    }
};

class JsonReader {
public:
    static JsonValue Parse(std::string_view text) {
        JsonReader r(text);
        JsonValue v = r.Value();
        r.Space();
        if (r.m_pos != text.size()) r.Fail("text after the value");
        return v;
    }

private:
    explicit JsonReader(std::string_view text) : m_text(text) {}

    [[noreturn]] void Fail(const char* what) const {
        throw std::runtime_error(std::string("JSON: ") + what + " at offset " + std::to_string(m_pos));
    }
    void Space() {
        while (m_pos < m_text.size() && std::string_view(" \t\r\n").find(m_text[m_pos]) != std::string_view::npos)
            ++m_pos;
    }
    char Peek() {
        Space();
        if (m_pos >= m_text.size()) Fail("unexpected end");
        return m_text[m_pos];
    }
    void Expect(char c) {
        if (Peek() != c) Fail("unexpected character");
        ++m_pos;
    }
    bool Word(std::string_view w) {
        if (m_text.substr(m_pos, w.size()) != w) return false;
        m_pos += w.size();
        return true;
    }

    JsonValue Value() {
        JsonValue v;
        const char c = Peek();
        if (c == '{') return Object();
        if (c == '[') return Array();
        if (c == '"') {
            v.kind = JsonValue::Kind::String;
            v.text = String();
        } else if (Word("true")) {
            v.kind = JsonValue::Kind::Bool;
            v.boolean = true;
        } else if (Word("false")) {
            v.kind = JsonValue::Kind::Bool;
        } else if (Word("null")) {
            v.kind = JsonValue::Kind::Null;
        } else {
            v.kind = JsonValue::Kind::Number;
            v.number = Number();
        }
        return v;
    }

    JsonValue Object() {
        JsonValue v;
        v.kind = JsonValue::Kind::Object;
        Expect('{');
        if (Peek() == '}') return ++m_pos, v;
        for (;;) {
            if (Peek() != '"') Fail("a key must be a string");
            std::string key = String();
            if (v.Find(key)) Fail("repeated key");
            Expect(':');
            v.keys.push_back(std::move(key));
            v.items.push_back(Value());
            if (Peek() == '}') return ++m_pos, v;
            Expect(',');
        }
    }

    JsonValue Array() {
        JsonValue v;
        v.kind = JsonValue::Kind::Array;
        Expect('[');
        if (Peek() == ']') return ++m_pos, v;
        for (;;) {
            v.items.push_back(Value());
            if (Peek() == ']') return ++m_pos, v;
            Expect(',');
        }
    }

    std::string String() {
        Expect('"');
        std::string s;
        while (m_pos < m_text.size() && m_text[m_pos] != '"') {
            const char c = m_text[m_pos++];
            if (static_cast<unsigned char>(c) < 0x20) Fail("control character in a string");
            if (c != '\\') {
                s += c;
                continue;
            }
            if (m_pos >= m_text.size()) Fail("unexpected end");
            const char e = m_text[m_pos++];
            const std::string_view simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
            if (const size_t k = simple.find(e); k != std::string_view::npos) {
                s += meaning[k];
            } else if (e == 'u' && m_pos + 4 <= m_text.size()) {
                unsigned code = 0;
                const auto r = std::from_chars(m_text.data() + m_pos, m_text.data() + m_pos + 4, code, 16);
                if (r.ptr != m_text.data() + m_pos + 4 || code >= 0x80) Fail("\\u escape (ASCII only here)");
                s += static_cast<char>(code);
                m_pos += 4;
            } else {
                Fail("unknown escape");
            }
        }
        Expect('"');
        return s;
    }

    double Number() {
        const size_t start = m_pos;
        const auto digits = [&] {
            const size_t from = m_pos;
            while (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
            return m_pos - from;
        };
        if (m_pos < m_text.size() && m_text[m_pos] == '-') ++m_pos;
        const size_t intStart = m_pos;
        const size_t whole = digits();
        if (whole == 0 || (whole > 1 && m_text[intStart] == '0')) Fail("number");
        if (m_pos < m_text.size() && m_text[m_pos] == '.' && (++m_pos, digits() == 0)) Fail("number");
        if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
            ++m_pos;
            if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-')) ++m_pos;
            if (digits() == 0) Fail("number");
        }
        double value = 0;
        std::from_chars(m_text.data() + start, m_text.data() + m_pos, value);
        return value;
    }

    std::string_view m_text;
    size_t m_pos = 0;
};
