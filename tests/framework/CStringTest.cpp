#include "framework/CString.h"
#include "framework/CStringW.h"

#include <gtest/gtest.h>

TEST(CString, PartsAndSearch)
{
    const CString s("VORMEL\\ORVEXDRIVER");
    EXPECT_EQ(s.Find('\\'), 6);
    EXPECT_EQ(s.Find('x'), -1);
    EXPECT_EQ(s.Left(6), "VORMEL");
    EXPECT_EQ(s.Mid(7), "ORVEXDRIVER");
    EXPECT_EQ(s.Right(6), "DRIVER");
    EXPECT_EQ(s.Left(99), s);
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Mid(99), "");
    EXPECT_EQ(s.Right(0), "");
}

TEST(CString, EditsAndFormat)
{
    CString s;
    EXPECT_TRUE(s.IsEmpty());
    s.Format("ZONE%d", 256);
    EXPECT_EQ(s, "ZONE256");
    s += '-';
    s += "x";
    EXPECT_EQ(s, "ZONE256-x");
    s.Delete(0, 4);
    EXPECT_EQ(s, "256-x");
    s.MakeUpper();
    EXPECT_EQ(s, "256-X");
    s.MakeLower();
    EXPECT_EQ(s, "256-x");

    CString a("ab");
    CString b = a;
    b += "c";
    EXPECT_EQ(a, "ab") << "a copy is independent of its source";
}

TEST(CString, BufferTakesLengthFromTerminator)
{
    CString s;
    char* buffer = s.GetBuffer(15);
    lstrcpyA(buffer, "12345");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 5);
    EXPECT_EQ(s, "12345");
}

// The string resources' formats take their texts with %s: wide ones, and
// whole, also where the ANSI code page lacks their characters.
TEST(CStringW, FormatTakesWideStrings)
{
    CStringW s;
    s.Format(L"%s byte %d of %d", L"プロテクト番号 Zoë ✓", 1, 6);
    EXPECT_STREQ(s.GetString(), L"プロテクト番号 Zoë ✓ byte 1 of 6");
}
