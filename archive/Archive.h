#pragma once
// archive/Archive.h — the binary archive every stored object uses.
//
// Little-endian primitives written byte for byte with no padding; four-
// character tags; chunks (tag, int32 body size, body); sized records (int32
// size, body); strings as an int32 count of UTF-16 units and the units.
// Primitive reads and writes never throw: a short transfer sets the stream's
// failure state, which the owner checks and turns into its own message. The
// owner's messages travel in ArchiveError.

#include <array>
#include <cstdint>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace archive {

// A reader's or writer's failure; what() is the exact message text.
class ArchiveError : public std::runtime_error {
public:
    explicit ArchiveError(const std::string& message) : std::runtime_error(message) {}
};

// What a reader demands of its file: unless ok, the owner's message as an ArchiveError.
inline void Require(bool ok, const char* message) {
    if (!ok) throw ArchiveError(message);
}

// A four-character chunk tag; compared character by character, case-sensitive.
using Tag = std::array<char, 4>;
constexpr Tag MakeTag(const char (&s)[5]) { return {s[0], s[1], s[2], s[3]}; }

void WriteInt8(std::ostream& os, uint8_t v);
void WriteBool(std::ostream& os, bool v);  // 1 byte, 0 or 1
void WriteInt16(std::ostream& os, int16_t v);
void WriteInt32(std::ostream& os, int32_t v);
void WriteUInt32(std::ostream& os, uint32_t v);
void WriteInt64(std::ostream& os, int64_t v);  // low word first
void WriteFloat(std::ostream& os, float v);    // IEEE 754 single
void WriteDouble(std::ostream& os, double v);  // IEEE 754 double
void WriteBytes(std::ostream& os, std::string_view bytes);
void WriteTag(std::ostream& os, const Tag& tag);  // one put per character

// Each read fills v only when all its bytes arrived; otherwise v is left
// alone and the stream's failure state is set.
void ReadInt8(std::istream& is, uint8_t& v);
void ReadBool(std::istream& is, bool& v);  // any non-zero byte is true
void ReadInt16(std::istream& is, int16_t& v);
void ReadInt32(std::istream& is, int32_t& v);
void ReadUInt32(std::istream& is, uint32_t& v);
void ReadInt64(std::istream& is, int64_t& v);
void ReadFloat(std::istream& is, float& v);
void ReadDouble(std::istream& is, double& v);
// Reads exactly n bytes into out (resized to n); n is the caller's bounded size.
void ReadBytes(std::istream& is, std::string& out, size_t n);
// Four gets; a character past the end comes back as '\0' with the stream failed.
Tag ReadTag(std::istream& is);
// Discards n bytes; fewer present sets the failure state.
void Skip(std::istream& is, int64_t n);

// True when the stream shows any failure or the end of data.
inline bool Failed(const std::ios& s) { return !s.good(); }

// Chunk helpers: tag, int32 size of body, body.
void WriteChunk(std::ostream& os, const Tag& tag, std::string_view body);
// Sized record: int32 size of body, body.
void WriteSized(std::ostream& os, std::string_view body);

// String: int32 count, then the UTF-16 code units. Raise
// "CStringWrite: Error writing string" / "CStringRead: Error reading string".
void CStringWrite(std::u16string_view s, std::ostream& os);
void CStringRead(std::u16string& s, std::istream& is);

}  // namespace archive
