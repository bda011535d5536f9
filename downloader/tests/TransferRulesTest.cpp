// The pure rules of a transfer: status field, classification, Content-Length, percent, paths.
#include "downloader/TransferRules.h"

#include <gtest/gtest.h>

using namespace kelvane::downloader;

TEST(TransferRulesTest, StatusFieldIsCharactersTenToTwelve)
{
    EXPECT_EQ(statusField(QStringLiteral("HTTP/1.1 200 OK\r\n")), QStringLiteral("200"));
    EXPECT_EQ(statusField(QStringLiteral("HTTP/1.1 20")), QStringLiteral("20"));
    EXPECT_EQ(statusField(QString()), QString());
    EXPECT_EQ(statusField(QStringLiteral("HTTP/1.1 \r\n")), QStringLiteral("\r\n"));
}

TEST(TransferRulesTest, FirstHeaderLineKeepsItsCarriageReturn)
{
    EXPECT_EQ(firstHeaderLine(QStringLiteral("HTTP/1.1 500 Internal Server Error\r\nA: b\r\n")),
              QStringLiteral("HTTP/1.1 500 Internal Server Error\r"));
    EXPECT_EQ(firstHeaderLine(QString()), QStringLiteral("<nothing>"));
    EXPECT_EQ(firstHeaderLine(QStringLiteral("no line end")), QStringLiteral("<nothing>"));
}

TEST(TransferRulesTest, ClassifiesStatusFieldsFirstMatchWins)
{
    const QString url = QStringLiteral("http://h/x.dat");
    EXPECT_FALSE(refusalFor(QStringLiteral("200"), {}, url));
    EXPECT_FALSE(refusalFor(QStringLiteral("206"), {}, url));
    EXPECT_EQ(*refusalFor(QStringLiteral("204"), {}, url), QStringLiteral("Nothing to download!"));
    EXPECT_EQ(*refusalFor(QStringLiteral("401"), {}, url), QStringLiteral("Authorization failed!"));
    EXPECT_EQ(*refusalFor(QStringLiteral("404"), {}, url),
              QStringLiteral("The file, \"http://h/x.dat\" was not found!"));
    EXPECT_EQ(*refusalFor(QStringLiteral("\r\n"), QStringLiteral("HTTP/1.1 \r\n"), url),
              QStringLiteral("Cannot establish connection."));
    EXPECT_EQ(
        *refusalFor(QStringLiteral("302"), QStringLiteral("HTTP/1.1 302 Found\r\n"), url),
        QStringLiteral("The server returned the following response:\r\rHTTP/1.1 302 Found\r"));
    EXPECT_EQ(*refusalFor(QString(), QString(), url),
              QStringLiteral("The server returned the following response:\r\r<nothing>"));
}

TEST(TransferRulesTest, ExpectedTotalIsTheLeadingDecimalNumberTiesToEven)
{
    EXPECT_EQ(expectedTotalFrom(QStringLiteral("5000")), 5000);
    EXPECT_EQ(expectedTotalFrom(QStringLiteral("0")), 0);
    EXPECT_EQ(expectedTotalFrom(QStringLiteral(" 12")), 12);
    EXPECT_EQ(expectedTotalFrom(QStringLiteral("5, 6")), 5);
    EXPECT_EQ(expectedTotalFrom(QStringLiteral("12.5")), 12);
    EXPECT_EQ(expectedTotalFrom(QStringLiteral("13.5")), 14);
    EXPECT_EQ(expectedTotalFrom(QStringLiteral("2.5bytes")), 2);
    EXPECT_EQ(expectedTotalFrom(QStringLiteral("1e3")), 1000);
    EXPECT_EQ(expectedTotalFrom(QStringLiteral("2147483647")), 2147483647);
}

TEST(TransferRulesTest, TextWithoutALeadingNumberHoldsNoLength)
{
    EXPECT_FALSE(expectedTotalFrom(QString()));
    EXPECT_FALSE(expectedTotalFrom(QStringLiteral("abc")));
    EXPECT_FALSE(expectedTotalFrom(QStringLiteral("-5")));
    EXPECT_FALSE(expectedTotalFrom(QStringLiteral(".")));
}

TEST(TransferRulesTest, ALengthBeyondThirtyTwoBitsIsAnOverflowFailure)
{
    try {
        (void)expectedTotalFrom(QStringLiteral("2147483648"));
        FAIL() << "no failure";
    } catch (const TransferError& error) {
        EXPECT_EQ(error.code, 34); // ERANGE
        EXPECT_EQ(error.description, QStringLiteral("Numerical result out of range"));
    }
    EXPECT_THROW((void)expectedTotalFrom(QStringLiteral("3000000000")), TransferError);
    EXPECT_THROW((void)expectedTotalFrom(QStringLiteral("1e400")), TransferError);
}

TEST(TransferRulesTest, PercentRoundsTiesToEven)
{
    EXPECT_EQ(percentText(1024, 8192), QStringLiteral("12")); // 12.5
    EXPECT_EQ(percentText(3072, 8192), QStringLiteral("38")); // 37.5
    EXPECT_EQ(percentText(5120, 8192), QStringLiteral("62")); // 62.5
    EXPECT_EQ(percentText(2048, 3000), QStringLiteral("68")); // 68.27
    EXPECT_EQ(percentText(3000, 3000), QStringLiteral("100"));
}

TEST(TransferRulesTest, FolderPartEndsWithTheLastSlash)
{
    EXPECT_EQ(folderPart(QStringLiteral("/opt/kelvane/fmstacionet.dat")),
              QStringLiteral("/opt/kelvane/"));
    EXPECT_EQ(folderPart(QStringLiteral("lists/tv.dat")), QStringLiteral("lists/"));
    EXPECT_EQ(folderPart(QStringLiteral("tv.dat")), QString());
}
