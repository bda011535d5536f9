#include "catalogue/ListUpdate.h"

#include <gtest/gtest.h>

using namespace kelvane;

TEST(FileNameFromURL, LastSegmentWithADot)
{
    EXPECT_EQ(FileNameFromURL("http://h/d/fmstacionet.dat"), "fmstacionet.dat");
    EXPECT_EQ(FileNameFromURL("http://h/d/.dat"), ".dat");
    EXPECT_EQ(FileNameFromURL("http://h/a.dat?x=1"), "a.dat?x=1"); // query text kept
    EXPECT_EQ(FileNameFromURL("http://h.x"), "h.x");               // no path: the host
}

TEST(FileNameFromURL, EmptyWhenNoFileNameCanBeTaken)
{
    EXPECT_EQ(FileNameFromURL("http://h/d/"), "");      // ends in a slash
    EXPECT_EQ(FileNameFromURL("http://h/d/list"), "");  // no dot
    EXPECT_EQ(FileNameFromURL("http://h/file."), "");   // the only dot is the last character
    EXPECT_EQ(FileNameFromURL("HTTP://h/d/a.dat"), ""); // prefix is case-sensitive
    EXPECT_EQ(FileNameFromURL("https://h/d/a.dat"), "");
    EXPECT_EQ(FileNameFromURL("http://"), "");
    EXPECT_EQ(FileNameFromURL(""), "");
    EXPECT_EQ(FileNameFromURL("h"), "");
    EXPECT_EQ(FileNameFromURL("http://h"), ""); // the host without a dot
}

TEST(FileNameFromURL, UnsafeNamesAreCaughtByThePlainNameCheck)
{
    // What the rule can yield but must never be written into the program folder.
    EXPECT_FALSE(IsPlainFileName(FileNameFromURL("http://h/d/")));
    EXPECT_FALSE(IsPlainFileName(FileNameFromURL("http://h/..")));
    EXPECT_EQ(FileNameFromURL("http://h/a\\..\\b.dat"), "a\\..\\b.dat");
    EXPECT_FALSE(IsPlainFileName("a\\..\\b.dat"));
    EXPECT_FALSE(IsPlainFileName("."));
    EXPECT_FALSE(IsPlainFileName(".."));
    EXPECT_FALSE(IsPlainFileName(QStringLiteral("a\nb.dat")));
    EXPECT_FALSE(IsPlainFileName(QStringLiteral("a\tb.dat")));
    EXPECT_TRUE(IsPlainFileName("fmstacionet.dat"));
    EXPECT_TRUE(IsPlainFileName("a.dat?x=1"));
    EXPECT_TRUE(IsPlainFileName(QStringLiteral("电台.dat")));
}

TEST(TrimSpaces, OnlySpaces)
{
    EXPECT_EQ(TrimSpaces("  a b  "), "a b");
    EXPECT_EQ(TrimSpaces("\ta "), "\ta");
    EXPECT_EQ(TrimSpaces("   "), "");
}
