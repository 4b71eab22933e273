// Protect number text to six bytes and back.

#include "dialog/ProtectCodec.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

std::array<BYTE, 6> ToBytes(const char* text)
{
    ProtectBytes bytes;
    std::memset(bytes, 0xAA, sizeof bytes);
    ProtectTextToBytes(bytes, text);
    return std::to_array(bytes);
}

CString ToText(std::array<BYTE, 6> value)
{
    ProtectBytes bytes;
    std::memcpy(bytes, value.data(), sizeof bytes);
    CString text("stale content");
    ProtectBytesToText(bytes, text);
    return text;
}

using Bytes = std::array<BYTE, 6>;

} // namespace

TEST(HexPairToByte, ReadsTheFirstTwoCharactersAsStrtolDoesInBase16)
{
    const struct { const char* text; BYTE expected; } cases[] = {
        {"1f", 0x1F}, {"1F", 0x1F}, {"7z", 0x07}, {"z7", 0x00}, {" 9", 0x09},
        {"+9", 0x09}, {"-1", 0xFF}, {"-3", 0xFD}, {"0x", 0x00}, {"ff", 0xFF},
        {"\t9", 0x09}, {"", 0x00}, {"5", 0x05}, {"--", 0x00}, {"-", 0x00},
        {"\xE9" "1", 0x00},
        // Only two characters count: the third never extends the number.
        {"123", 0x12}, {"0x1f", 0x00}, {" 1f", 0x01},
    };
    for (const auto& c : cases) {
        BYTE byte = 0xAA;
        HexPairToByte(byte, c.text);
        EXPECT_EQ(byte, c.expected) << '"' << c.text << '"';
    }
}

TEST(ProtectTextToBytes, ShortTextIsFilledWithZerosOnTheRight)
{
    EXPECT_EQ(ToBytes(""), (Bytes{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ToBytes("00"), (Bytes{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ToBytes("7"), (Bytes{0x70, 0, 0, 0, 0, 0})) << "a lone digit is the high nibble";
    EXPECT_EQ(ToBytes("12ab3C"), (Bytes{0x12, 0xAB, 0x3C, 0, 0, 0}));
    EXPECT_EQ(ToBytes("0123456789a"), (Bytes{0x01, 0x23, 0x45, 0x67, 0x89, 0xA0}));
}

TEST(ProtectTextToBytes, ReadsOnlyTheFirstTwelveCharactersPairByPosition)
{
    EXPECT_EQ(ToBytes("0123456789abcdef"), (Bytes{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}));
    // A separator is one character of its pair and shifts every later pair.
    EXPECT_EQ(ToBytes("12-3456789ab"), (Bytes{0x12, 0xFD, 0x45, 0x67, 0x89, 0xAB}));
    EXPECT_EQ(ToBytes("12-34-56-78"), (Bytes{0x12, 0xFD, 0x04, 0x56, 0xF9, 0x80}));
    EXPECT_EQ(ToBytes("zz z-1 90x7z"), (Bytes{0x00, 0x00, 0xFF, 0x09, 0x00, 0x07}));
}

TEST(ProtectTextToBytes, WritesOnlyTheSixBytesOfALargerRecord)
{
    BYTE record[8];
    std::memset(record, 0xEE, sizeof record);
    ProtectTextToBytes(*reinterpret_cast<ProtectBytes*>(record), "010203040506");
    EXPECT_EQ(std::to_array(record), (std::array<BYTE, 8>{1, 2, 3, 4, 5, 6, 0xEE, 0xEE}));
}

TEST(ProtectTextToBytes, LeavesTheCallersTextAlone)
{
    const CString text("ab");
    ProtectBytes bytes;
    ProtectTextToBytes(bytes, text);
    EXPECT_EQ(text, "ab");
}

TEST(ProtectBytesToText, WritesTwelveLowercaseDigitsReplacingTheOldContent)
{
    EXPECT_EQ(ToText({0, 10, 16, 255, 0xAB, 0x09}), "000a10ffab09");
    EXPECT_EQ(ToText({0, 0, 0, 0, 0, 0}), "000000000000");
}

TEST(ProtectCodec, RoundTripsGiveCanonicalText)
{
    for (const char* canonical : {"000000000000", "0123456789ab", "cdef01234567", "ffffffffffff", "00a0b0c0d0e0"}) {
        ProtectBytes bytes;
        ProtectTextToBytes(bytes, canonical);
        CString text;
        ProtectBytesToText(bytes, text);
        EXPECT_EQ(text, canonical);
    }
    const struct { const char* text; const char* canonical; } loose[] = {
        {"AB", "ab0000000000"}, {"0123456789ABCDEF", "0123456789ab"}, {"00", "000000000000"}, {"", "000000000000"},
    };
    for (const auto& c : loose) {
        ProtectBytes bytes;
        ProtectTextToBytes(bytes, c.text);
        CString text;
        ProtectBytesToText(bytes, text);
        EXPECT_EQ(text, c.canonical) << '"' << c.text << '"';
    }
}
