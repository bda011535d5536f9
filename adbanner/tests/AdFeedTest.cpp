#include "adbanner/AdFeed.h"
#include "adbanner/tests/Feeds.h"
#include "tests/support/HttpTestServer.h"

#include <QElapsedTimer>
#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace kelvane;
using namespace kelvane::test;

namespace {

class AdFeedTest : public ::testing::Test
{
protected:
    // Loads the feed served at /g/g.xml into a fresh one-row table, as the banner does.
    void load(const FeedLimits& limits = {})
    {
        load(server.url(QStringLiteral("/g/g.xml")), limits);
    }
    void load(const QString& url, const FeedLimits& limits = {})
    {
        table = LinkTable(1);
        rowCounter = 0;
        loadFeed(url, table, rowCounter, limits);
    }
    void serve(const QByteArray& body, const QByteArray& type = "text/xml")
    {
        server.setReply("/g/g.xml", HttpTestServer::ok(body, type));
    }

    HttpTestServer server;
    LinkTable table;
    qint16 rowCounter = 0;
};

const LinkTable kOneEmptyRow = {LinkRow{}};

} // namespace

TEST_F(AdFeedTest, ThreeItemsBecomeRowsZeroToTwo)
{
    serve(rssFeed({{"春季新品", "http://shop.example/a"},
                   {"数码", "http://shop.example/b"},
                   {"Books", "https://shop.example/c?x=1&amp;y=2"}}));
    load();
    const LinkTable expected = {
        {QStringLiteral("春季新品"), QStringLiteral("http://shop.example/a")},
        {QStringLiteral("数码"), QStringLiteral("http://shop.example/b")},
        {QStringLiteral("Books"), QStringLiteral("https://shop.example/c?x=1&y=2")}};
    EXPECT_EQ(table, expected);
    EXPECT_EQ(rowCounter, 3);
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].method, "GET");
    EXPECT_EQ(server.requests()[0].target, "/g/g.xml");
}

TEST_F(AdFeedTest, ChannelNestedDeeperIsRead)
{
    serve("<feeds><group><rss><channel><item><title>Deep</title><link>http://d.example/</link>"
          "</item></channel></rss></group></feeds>");
    load();
    EXPECT_EQ(table, (LinkTable{{QStringLiteral("Deep"), QStringLiteral("http://d.example/")}}));
}

TEST_F(AdFeedTest, ExtraTitlesBeyondTheItemsAreIgnored)
{
    serve("<rss><channel><item><title>A</title><title>A2</title><link>http://a.example/</link>"
          "</item><item><title>B</title><title>B2</title><link>http://b.example/</link></item>"
          "</channel></rss>");
    load();
    EXPECT_EQ(table, (LinkTable{{QStringLiteral("A"), QStringLiteral("http://a.example/")},
                                {QStringLiteral("A2"), QStringLiteral("http://b.example/")}}));
    EXPECT_EQ(rowCounter, 2);
}

TEST_F(AdFeedTest, ItemWithoutTitleShiftsLaterTitlesUp)
{
    serve("<rss><channel>"
          "<item><title>A</title><link>http://a.example/</link></item>"
          "<item><link>http://b.example/</link></item>"
          "<item><title>C</title><link>http://c.example/</link></item>"
          "</channel></rss>");
    load();
    EXPECT_EQ(table, (LinkTable{{QStringLiteral("A"), QStringLiteral("http://a.example/")},
                                {QStringLiteral("C"), QStringLiteral("http://b.example/")},
                                {QString(), QStringLiteral("http://c.example/")}}));
}

TEST_F(AdFeedTest, ItemsOutsideAChannelDoNotCount)
{
    serve("<rss><item><title>Stray</title><link>http://s.example/</link></item>"
          "<channel><item><title>In</title><link>http://i.example/</link></item></channel></rss>");
    load();
    EXPECT_EQ(table, (LinkTable{{QStringLiteral("In"), QStringLiteral("http://i.example/")}}));
}

TEST_F(AdFeedTest, TextContentIsCollectedAndTrimmed)
{
    serve("<rss><channel><item><title>\n  <![CDATA[Sale <50%> ]]><b>now</b>\n</title>"
          "<link>\n   http://t.example/p?a=1&amp;b=&#x4E2D;\n</link></item></channel></rss>");
    load();
    EXPECT_EQ(table, (LinkTable{{QStringLiteral("Sale <50%> now"),
                                 QStringLiteral("http://t.example/p?a=1&b=中")}}));
}

TEST_F(AdFeedTest, FeedWithoutItemsAddsNoRow)
{
    serve("<rss><channel><title>nothing today</title></channel></rss>");
    load();
    EXPECT_EQ(table, kOneEmptyRow);
    EXPECT_EQ(rowCounter, 0);
}

TEST_F(AdFeedTest, BrokenFeedsAddOneEmptyRow)
{
    const QList<QByteArray> broken = {
        "<rss><channel><item><title>A</title></channel></rss>", // mismatched tags
        "",                                                     // no document at all
        "just text, no markup",
        "<?xml version=\"1.0\" encoding=\"x-no-such-charset\"?><rss><channel><item><title>A"
        "</title></item></channel></rss>",
        // invalid bytes for the declared code page
        "<?xml version=\"1.0\" encoding=\"gbk\"?><rss><channel><item><title>\x81\x20</title>"
        "</item></channel></rss>",
    };
    for (const QByteArray& body : broken) {
        SCOPED_TRACE(body.toStdString());
        serve(body);
        load();
        EXPECT_EQ(table, kOneEmptyRow);
        EXPECT_EQ(rowCounter, 1);
    }
}

TEST_F(AdFeedTest, ErrorAnswersCountAsUnreachable)
{
    server.setReply("/g/g.xml",
                    HttpTestServer::Reply().then(HttpTestServer::response(
                        500, "Internal Server Error", {"Content-Length: 40", "Connection: close"},
                        "<rss><channel><item><title>X</title><link>")));
    load();
    EXPECT_EQ(table, kOneEmptyRow);
    EXPECT_EQ(rowCounter, 1);

    load(server.url(QStringLiteral("/missing.xml")));
    EXPECT_EQ(table, kOneEmptyRow);
    EXPECT_EQ(rowCounter, 1);
}

TEST_F(AdFeedTest, UnreachableServerAddsOneEmptyRow)
{
    load(unreachableFeedUrl());
    EXPECT_EQ(table, kOneEmptyRow);
    EXPECT_EQ(rowCounter, 1);
}

TEST_F(AdFeedTest, OnlyWebAddressesAreFetched)
{
    EXPECT_FALSE(fetchFeed(QStringLiteral("file:///etc/hostname")).has_value());
    EXPECT_FALSE(fetchFeed(QStringLiteral("/etc/hostname")).has_value());
    EXPECT_FALSE(fetchFeed(QString()).has_value());
}

TEST_F(AdFeedTest, RedirectIsFollowed)
{
    server.setReply("/old.xml", HttpTestServer::Reply().then(HttpTestServer::response(
                                    302, "Found",
                                    {"Location: " + server.url("/g/g.xml").toUtf8(),
                                     "Content-Length: 0", "Connection: close"})));
    serve(rssFeed({{"Moved", "http://m.example/"}}));
    load(server.url(QStringLiteral("/old.xml")));
    EXPECT_EQ(table, (LinkTable{{QStringLiteral("Moved"), QStringLiteral("http://m.example/")}}));
}

TEST_F(AdFeedTest, SlowFeedGivesUpAtTheBoundFromStartToLastByte)
{
    // Each piece comes well within the bound, but the whole body would take 1.2 s.
    const QByteArray body = rssFeed({{"Slow", "http://s.example/"}});
    HttpTestServer::Reply drip;
    drip.then(HttpTestServer::response(
        200, "OK", {"Content-Length: " + QByteArray::number(body.size()), "Connection: close"}));
    for (qsizetype i = 0; i < 12; ++i)
        drip.then(body.mid(i * body.size() / 12, (i + 1) * body.size() / 12 - i * body.size() / 12),
                  100);
    server.setReply("/g/g.xml", drip);

    QElapsedTimer clock;
    clock.start();
    load(FeedLimits{400, 1024 * 1024});
    const qint64 elapsed = clock.elapsed();
    EXPECT_EQ(table, kOneEmptyRow);
    EXPECT_EQ(rowCounter, 1);
    EXPECT_GE(elapsed, 350);
    EXPECT_LT(elapsed, 1100);

    // The same drip is fine when it fits in the bound.
    load(FeedLimits{3000, 1024 * 1024});
    EXPECT_EQ(table, (LinkTable{{QStringLiteral("Slow"), QStringLiteral("http://s.example/")}}));
}

TEST_F(AdFeedTest, SilentServerGivesUpAtTheBound)
{
    server.setReply("/g/g.xml", HttpTestServer::Reply().hold());
    QElapsedTimer clock;
    clock.start();
    load(FeedLimits{300, 1024 * 1024});
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_EQ(table, kOneEmptyRow);
    EXPECT_EQ(rowCounter, 1);
}

TEST_F(AdFeedTest, OversizedFeedIsRejected)
{
    // A well-formed feed of exactly the given size.
    const auto feedOfSize = [](qsizetype size) -> QByteArray {
        const QByteArray head = "<rss><channel><item><title>Big</title><link>http://b.example/"
                                "</link><description>";
        const QByteArray tail = "</description></item></channel></rss>";
        return head + QByteArray(size - head.size() - tail.size(), 'x') + tail;
    };
    const LinkTable big = {{QStringLiteral("Big"), QStringLiteral("http://b.example/")}};

    serve(feedOfSize(1024 * 1024));
    load();
    EXPECT_EQ(table, big);

    serve(feedOfSize(1024 * 1024 + 1));
    load();
    EXPECT_EQ(table, kOneEmptyRow);
    EXPECT_EQ(rowCounter, 1);

    // Without a declared length the count of bytes received decides.
    server.setReply("/g/g.xml",
                    HttpTestServer::Reply().then(HttpTestServer::response(
                        200, "OK", {"Connection: close"}, feedOfSize(3 * 1024 * 1024))));
    load();
    EXPECT_EQ(table, kOneEmptyRow);
}

TEST_F(AdFeedTest, DocumentWithDoctypeIsRejected)
{
    // The billion laughs: entity expansion must never happen.
    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE rss [\n<!ENTITY lol \"lol\">\n";
    laughs += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n";
    for (int i = 2; i <= 9; ++i) {
        const QByteArray prev = "&lol" + QByteArray::number(i - 1) + ";";
        laughs += "<!ENTITY lol" + QByteArray::number(i) + " \"" + prev.repeated(10) + "\">\n";
    }
    laughs += "]>\n<rss><channel><item><title>&lol9;</title><link>http://l.example/</link>"
              "</item></channel></rss>";
    serve(laughs);
    load();
    EXPECT_EQ(table, kOneEmptyRow);
    EXPECT_EQ(rowCounter, 1);

    // An external entity is not fetched either, and even a harmless DOCTYPE is refused.
    serve("<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY ext SYSTEM \"" +
          server.url("/secret").toUtf8() +
          "\">]><rss><channel><item><title>&ext;</title><link>http://e.example/</link></item>"
          "</channel></rss>");
    load();
    EXPECT_EQ(table, kOneEmptyRow);
    serve("<!DOCTYPE rss><rss><channel><item><title>T</title><link>http://t.example/</link>"
          "</item></channel></rss>");
    load();
    EXPECT_EQ(table, kOneEmptyRow);
    for (const auto& request : server.requests())
        EXPECT_EQ(request.target, "/g/g.xml");
}

TEST_F(AdFeedTest, ChineseFeedsAreDecodedFromTheirDeclaredEncoding)
{
    const QString title = QStringLiteral("淘宝特卖 秒杀");
    QStringEncoder gbk("GBK");
    const QByteArray gbkTitle = gbk.encode(title);
    ASSERT_FALSE(gbk.hasError());

    for (const QByteArray& declared :
         {QByteArray("gb2312"), QByteArray("GBK"), QByteArray("GB18030")}) {
        SCOPED_TRACE(declared.toStdString());
        serve("<?xml version=\"1.0\" encoding=\"" + declared + "\"?>\n<rss><channel><item><title>" +
              gbkTitle + "</title><link>http://g.example/</link></item></channel></rss>");
        load();
        EXPECT_EQ(table, (LinkTable{{title, QStringLiteral("http://g.example/")}}));
    }

    // UTF-8 without a declaration, with a byte order mark, and UTF-16.
    const QByteArray utf8 = "<rss><channel><item><title>" + title.toUtf8() +
                            "</title><link>http://u.example/</link></item></channel></rss>";
    const LinkTable expected = {{title, QStringLiteral("http://u.example/")}};
    serve(utf8);
    load();
    EXPECT_EQ(table, expected);
    serve("\xEF\xBB\xBF" + utf8);
    load();
    EXPECT_EQ(table, expected);
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    serve(utf16.encode(QString::fromUtf8(utf8)));
    load();
    EXPECT_EQ(table, expected);
}

TEST_F(AdFeedTest, FeedNearTheSizeLimitIsReadCompletely)
{
    QByteArray xml = "<rss><channel>";
    int items = 0;
    while (xml.size() < 1000 * 1024) {
        const QByteArray n = QByteArray::number(items++);
        xml += "<item><title>T" + n + "</title><link>http://x.example/" + n + "</link></item>";
    }
    xml += "</channel></rss>";
    ASSERT_LE(xml.size(), 1024 * 1024);
    serve(xml);
    load();
    ASSERT_EQ(rowCounter, items);
    ASSERT_EQ(table.size(), items);
    const QString last = QString::number(items - 1);
    EXPECT_EQ(table.last(), (LinkRow{"T" + last, "http://x.example/" + last}));
}

TEST_F(AdFeedTest, LongTitlesAreCutTo256Characters)
{
    // A title of almost the whole 1 MiB the feed may have, and one that would be cut inside a
    // character outside the BMP.
    const QByteArray huge(1000 * 1000, 'w');
    const QByteArray astral = QByteArray(255, 'a') + "\xF0\x9F\x98\x80" + "tail";
    serve(rssFeed({{huge, "http://shop.example/a"}, {astral, "http://shop.example/b"}}));
    load();
    ASSERT_EQ(rowCounter, 2);
    EXPECT_EQ(table[0].title, QString(256, u'w'));
    EXPECT_EQ(table[1].title, QString(255, u'a'));
    EXPECT_EQ(table[1].link, QStringLiteral("http://shop.example/b"));
}
