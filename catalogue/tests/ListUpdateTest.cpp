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
    EXPECT_FALSE(isPlainFileName(FileNameFromURL("http://h/d/")));
    EXPECT_FALSE(isPlainFileName(FileNameFromURL("http://h/..")));
    EXPECT_EQ(FileNameFromURL("http://h/a\\..\\b.dat"), "a\\..\\b.dat");
    EXPECT_FALSE(isPlainFileName("a\\..\\b.dat"));
    EXPECT_FALSE(isPlainFileName("."));
    EXPECT_FALSE(isPlainFileName(".."));
    EXPECT_FALSE(isPlainFileName(QStringLiteral("a\nb.dat")));
    EXPECT_FALSE(isPlainFileName(QStringLiteral("a\tb.dat")));
    EXPECT_TRUE(isPlainFileName("fmstacionet.dat"));
    EXPECT_TRUE(isPlainFileName("a.dat?x=1"));
    EXPECT_TRUE(isPlainFileName(QStringLiteral("电台.dat")));
}

TEST(TrimSpaces, OnlySpaces)
{
    EXPECT_EQ(trimSpaces(u"  a b  "), "a b");
    EXPECT_EQ(trimSpaces(u"\ta "), "\ta");
    EXPECT_EQ(trimSpaces(u"   "), "");
}
