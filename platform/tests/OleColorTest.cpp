#include "platform/OleColor.h"

#include <gtest/gtest.h>

using namespace kelvane;

TEST(OleColorTest, RedSitsInTheLowByte)
{
    EXPECT_EQ(oleToQColor(0x00336699u), QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(oleToQColor(0x000080FFu), QColor(255, 128, 0));
    EXPECT_EQ(oleFromQColor(QColor(255, 128, 0)), 0x000080FFu);
}

TEST(OleColorTest, TheHighByteIsNotPartOfTheColour)
{
    // A system-colour reference is not translated here: only its low bytes are read.
    EXPECT_EQ(oleToQColor(0x8000000Fu), QColor(15, 0, 0));
    EXPECT_EQ(oleToQColor(0x02123456u), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(oleToQColor(0x8000000Fu).alpha(), 255);
}

TEST(OleColorTest, RoundTripsEveryChannelAndDropsAlpha)
{
    for (const QColor& colour :
         {QColor(0, 0, 0), QColor(1, 2, 3), QColor(255, 255, 255), QColor(200, 0, 17, 40)}) {
        const OleColor value = oleFromQColor(colour);
        EXPECT_EQ(value >> 24, 0u);
        EXPECT_EQ(oleToQColor(value), QColor(colour.red(), colour.green(), colour.blue()));
    }
    EXPECT_EQ(oleFromQColor(QColor::fromHsv(0, 255, 255)), 0x000000FFu); // converted to RGB
}
