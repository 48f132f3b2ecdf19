// The archive's byte encodings, checked against bytes written out by hand.

#include <gtest/gtest.h>

#include <sstream>

#include "archive/Archive.h"

using namespace archive;

namespace {
std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s += static_cast<char>(v);
    return s;
}

// The message an archive call raises, or "no error".
template <class Call>
std::string Raised(Call call) {
    try {
        call();
    } catch (const ArchiveError& e) {
        return e.what();
    }
    return "no error";
}
}  // namespace

TEST(ArchiveEncoding, PrimitivesAreLittleEndianWithoutPadding) {
    std::ostringstream os;
    WriteInt32(os, 0x01020304);
    WriteInt16(os, -2);
    WriteInt64(os, 0x1122334455667788LL);
    WriteBool(os, true);
    WriteFloat(os, 1.0f);
    WriteTag(os, MakeTag("Data"));
    EXPECT_EQ(os.str(), Bytes({0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33,
                               0x22, 0x11, 0x01, 0x00, 0x00, 0x80, 0x3F, 'D', 'a', 't', 'a'}));
}

TEST(ArchiveEncoding, ChunkAndSizedRecordCountTheBodyOnly) {
    std::ostringstream os;
    WriteChunk(os, MakeTag("Pipe"), "xy");
    WriteSized(os, "z");
    EXPECT_EQ(os.str(), Bytes({'P', 'i', 'p', 'e', 2, 0, 0, 0, 'x', 'y', 1, 0, 0, 0, 'z'}));
}

TEST(ArchiveShortRead, LeavesTheFieldAndFailsTheStream) {
    std::istringstream is(Bytes({1, 2, 3}));
    int32_t v = 77;
    ReadInt32(is, v);
    EXPECT_EQ(v, 77);
    EXPECT_TRUE(is.fail());
    std::istringstream tag("Da");
    EXPECT_NE(ReadTag(tag), MakeTag("Data"));
    EXPECT_TRUE(Failed(tag));
}

TEST(ArchiveSkip, UnknownChunkIsSkippedBySizeAndReadingGoesOn) {
    std::stringstream ss;
    WriteChunk(ss, MakeTag("Zzzz"), std::string(10, 'q'));
    WriteChunk(ss, MakeTag("Info"), Bytes({7, 0, 0, 0}));
    EXPECT_EQ(ReadTag(ss), MakeTag("Zzzz"));
    int32_t size = 0;
    ReadInt32(ss, size);
    Skip(ss, size);
    EXPECT_EQ(ReadTag(ss), MakeTag("Info"));
    ReadInt32(ss, size);
    int32_t body = 0;
    ReadInt32(ss, body);
    EXPECT_EQ(body, 7);
    EXPECT_TRUE(ss.good());
}

TEST(ArchiveSkip, HostileSizeFailsWithoutReadingForever) {
    std::istringstream is("abc");
    Skip(is, 0x7FFFFFFF);
    EXPECT_TRUE(is.fail());
    std::istringstream neg("abc");
    Skip(neg, -1);
    EXPECT_TRUE(neg.fail());
}

TEST(ArchiveString, CountThenUtf16Units) {
    std::ostringstream os;
    CStringWrite(u"abc", os);
    CStringWrite(u"", os);  // the count alone
    EXPECT_EQ(os.str(), Bytes({0x03, 0x00, 0x00, 0x00, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00, 0, 0, 0, 0}));
}

// A count beyond the data, huge or negative raises the read error without allocating.
TEST(ArchiveString, BadCountRaisesTheReadError) {
    for (auto bytes : {Bytes({0x05, 0, 0, 0, 'a', 0, 'b', 0}), Bytes({0xFF, 0xFF, 0xFF, 0x7F, 'a', 0}),
                       Bytes({0xFF, 0xFF, 0xFF, 0xFF})}) {
        std::istringstream is(bytes);
        std::u16string s;
        EXPECT_EQ(Raised([&] { CStringRead(s, is); }), "CStringRead: Error reading string");
    }
}

TEST(ArchiveString, WriteToAFailedStreamRaisesTheWriteError) {
    std::ostringstream os;
    os.setstate(std::ios::badbit);
    EXPECT_EQ(Raised([&] { CStringWrite(u"abc", os); }), "CStringWrite: Error writing string");
}
