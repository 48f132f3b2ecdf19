#pragma once
// tools/ResultOut.h — what a command prints as its results.
//
// By default key=value lines, one a field, as corrtool has always printed;
// with --json one JSON object for the whole command. Numbers go out as
// numbers in the C locale, with enough digits to read back the same double.
// Lists of objects print as "key.N.field=value" lines, or a JSON array.
//
//   CResultOut r(out, json);
//   r.Integer("peak_lag", 12);
//   r.BeginList("peaks");
//   r.BeginItem(); r.Number("distance_a_m", 70.0); r.EndItem();
//   r.EndList();
//   r.Finish();   // closes the JSON object (nothing in key=value mode)

#include <concepts>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class CResultOut {
public:
    CResultOut(std::ostream& out, bool json);

    bool IsJson() const { return m_json; }

    void Number(std::string_view key, double value);
    // A float in JSON as its shortest text (0.1f as 0.1, not 0.10000000149011612).
    void Number(std::string_view key, float value);
    template <std::integral T>
    void Number(std::string_view key, T value) { Integer(key, static_cast<int64_t>(value)); }
    void Integer(std::string_view key, int64_t value);
    void Text(std::string_view key, std::string_view value);
    void Bool(std::string_view key, bool value);
    // A list of numbers: "key=a,b,c" or a JSON array.
    void Numbers(std::string_view key, const std::vector<double>& values);

    void BeginList(std::string_view key);
    void BeginItem();
    void EndItem();
    void EndList();

    // Closes the JSON object and ends its line. Call once, after the last field.
    void Finish();

    // The texts both forms use, for callers and tests.
    static std::string FormatNumber(double value);
    static std::string FormatNumber(float value);
    static std::string JsonString(std::string_view text);

private:
    void Key(std::string_view key);

    std::ostream& m_out;
    bool m_json;
    bool m_first = true;       // no field yet at this JSON level
    std::string m_listKey;     // key=value mode: the open list's key
    int m_item = -1;           // key=value mode: the open item's index
};
