#include "archive/Archive.h"

#include <bit>
#include <cstring>

namespace archive {
namespace {

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);

template <typename T>
void PutLE(std::ostream& os, T v) {
    using U = std::make_unsigned_t<T>;
    U u = static_cast<U>(v);
    char bytes[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    os.write(bytes, sizeof(T));
}

template <typename T>
bool GetLE(std::istream& is, T& v) {
    using U = std::make_unsigned_t<T>;
    unsigned char bytes[sizeof(T)];
    if (!is.read(reinterpret_cast<char*>(bytes), sizeof(T))) return false;
    U u = 0;
    for (size_t i = 0; i < sizeof(T); ++i) u |= static_cast<U>(static_cast<U>(bytes[i]) << (8 * i));
    v = static_cast<T>(u);
    return true;
}

}  // namespace

void WriteInt8(std::ostream& os, uint8_t v) { os.put(static_cast<char>(v)); }
void WriteBool(std::ostream& os, bool v) { os.put(v ? 1 : 0); }
void WriteInt16(std::ostream& os, int16_t v) { PutLE(os, v); }
void WriteInt32(std::ostream& os, int32_t v) { PutLE(os, v); }
void WriteUInt32(std::ostream& os, uint32_t v) { PutLE(os, v); }
void WriteInt64(std::ostream& os, int64_t v) { PutLE(os, v); }
void WriteFloat(std::ostream& os, float v) { PutLE(os, std::bit_cast<uint32_t>(v)); }
void WriteDouble(std::ostream& os, double v) { PutLE(os, std::bit_cast<uint64_t>(v)); }
void WriteBytes(std::ostream& os, std::string_view b) { os.write(b.data(), static_cast<std::streamsize>(b.size())); }

void WriteTag(std::ostream& os, const Tag& tag) {
    for (char c : tag) os.put(c);
}

void ReadInt8(std::istream& is, uint8_t& v) { GetLE(is, v); }
void ReadBool(std::istream& is, bool& v) {
    uint8_t b = 0;
    if (GetLE(is, b)) v = b != 0;
}
void ReadInt16(std::istream& is, int16_t& v) { GetLE(is, v); }
void ReadInt32(std::istream& is, int32_t& v) { GetLE(is, v); }
void ReadUInt32(std::istream& is, uint32_t& v) { GetLE(is, v); }
void ReadInt64(std::istream& is, int64_t& v) { GetLE(is, v); }
void ReadFloat(std::istream& is, float& v) {
    uint32_t u = 0;
    if (GetLE(is, u)) v = std::bit_cast<float>(u);
}
void ReadDouble(std::istream& is, double& v) {
    uint64_t u = 0;
    if (GetLE(is, u)) v = std::bit_cast<double>(u);
}

void ReadBytes(std::istream& is, std::string& out, size_t n) {
    out.assign(n, '\0');
    is.read(out.data(), static_cast<std::streamsize>(n));
}

Tag ReadTag(std::istream& is) {
    Tag tag{};
    for (char& c : tag) {
        const auto got = is.get();
        c = got == std::char_traits<char>::eof() ? '\0' : static_cast<char>(got);
    }
    return tag;
}

void Skip(std::istream& is, int64_t n) {
    if (n < 0) {
        is.setstate(std::ios::failbit);
        return;
    }
    // Skipped in steps so that a hostile size costs no memory.
    char scratch[4096];
    while (n > 0 && is) {
        const auto step = static_cast<std::streamsize>(std::min<int64_t>(n, sizeof scratch));
        is.read(scratch, step);
        n -= step;
    }
}

void WriteChunk(std::ostream& os, const Tag& tag, std::string_view body) {
    WriteTag(os, tag);
    WriteSized(os, body);
}

void WriteSized(std::ostream& os, std::string_view body) {
    WriteInt32(os, static_cast<int32_t>(body.size()));
    WriteBytes(os, body);
}

void CStringWrite(std::u16string_view s, std::ostream& os) {
    WriteInt32(os, static_cast<int32_t>(s.size()));
    if (!os.good()) throw ArchiveError("CStringWrite: Error writing string");
    for (char16_t unit : s) {
        WriteInt16(os, static_cast<int16_t>(unit));
        if (!os.good()) throw ArchiveError("CStringWrite: Error writing string");
    }
}

void CStringRead(std::u16string& s, std::istream& is) {
    int32_t count = 0;
    ReadInt32(is, count);
    s.clear();
    if (!is.good() || count < 0) throw ArchiveError("CStringRead: Error reading string");
    // Grown unit by unit: a hostile count ends at the end of data, not in a
    // huge allocation.
    for (int32_t i = 0; i < count; ++i) {
        int16_t unit = 0;
        ReadInt16(is, unit);
        if (!is.good()) throw ArchiveError("CStringRead: Error reading string");
        s += static_cast<char16_t>(unit);
    }
}

}  // namespace archive
