#include "adbanner/Gg.h"
#include "adbanner/HandCursor.h"
#include "adbanner/tests/Feeds.h"
#include "platform/Timer.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/Recorders.h"

#include <QBitmap>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

using namespace kelvane;
using namespace kelvane::test;

namespace {

const QColor kDesign(0, 0, 192);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

QColor textColor(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

class GgTest : public ::testing::Test
{
protected:
    void serve(const QByteArray& body)
    {
        server.setReply("/g/g.xml", HttpTestServer::ok(body, "text/xml"));
    }
    // Creates the banner on the served feed and shows it, as a window does.
    void create(const QString& url = {})
    {
        gg = std::make_unique<Gg>(shell,
                                  url.isEmpty() ? server.url(QStringLiteral("/g/g.xml")) : url);
        gg->show();
        Label1 = gg->findChild<QLabel*>(QStringLiteral("Label1"));
        Label2_0 = gg->findChild<QLabel*>(QStringLiteral("Label2_0"));
        Label2_1 = gg->findChild<QLabel*>(QStringLiteral("Label2_1"));
        Label3 = gg->findChild<QLabel*>(QStringLiteral("Label3"));
        Picture1 = gg->findChild<QWidget*>(QStringLiteral("Picture1"));
        Timer1 = gg->findChild<Timer*>(QStringLiteral("Timer1"));
        ASSERT_TRUE(Label1 && Label2_0 && Label2_1 && Label3 && Picture1 && Timer1);
    }

    // The pointer moves over `part` at `pos`; the window finds the widget under it, as on screen.
    // No event loop runs, so the ticker's real clock never interferes.
    void hover(QWidget* part, QPoint pos)
    {
        QWidget* top = part->window();
        const QPoint local = part->mapTo(top, pos);
        QMouseEvent move(QEvent::MouseMove, local, top->mapToGlobal(local), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(top->windowHandle(), &move);
    }
    void click(QWidget* part) { QTest::mouseClick(part, Qt::LeftButton, {}, QPoint(3, 3)); }

    // Fires Timer1 until the ticker jumps to the bottom and returns the caption it then shows.
    QString nextTitle()
    {
        for (int i = 0; i < 100; ++i) {
            const int before = Label1->y();
            Timer1->fire();
            if (Label1->y() > before)
                return Label1->text();
        }
        ADD_FAILURE() << "the ticker never moved on";
        return {};
    }

    HttpTestServer server;
    RecordingShell shell;
    std::unique_ptr<Gg> gg;
    QLabel* Label1 = nullptr;
    QLabel* Label2_0 = nullptr;
    QLabel* Label2_1 = nullptr;
    QLabel* Label3 = nullptr;
    QWidget* Picture1 = nullptr;
    Timer* Timer1 = nullptr;
};

} // namespace

TEST_F(GgTest, LooksAsDesigned)
{
    create(unreachableFeedUrl());
    EXPECT_EQ(gg->size(), QSize(436, 32));
    EXPECT_EQ(gg->palette().color(QPalette::Window), QColor(0, 153, 255));
    EXPECT_TRUE(gg->autoFillBackground());
    EXPECT_EQ(Label2_0->geometry(), QRect(8, 6, 65, 17));
    EXPECT_EQ(Picture1->geometry(), QRect(88, 0, 177, 25));
    EXPECT_EQ(Label1->parentWidget(), Picture1);
    EXPECT_EQ(Label1->geometry(), QRect(0, 8, 167, 14));
    EXPECT_EQ(Label2_1->geometry(), QRect(280, 8, 73, 17));
    EXPECT_EQ(Label3->geometry(), QRect(368, 8, 57, 17));
    EXPECT_EQ(Label3->text(), QStringLiteral("更多软件"));
    for (QLabel* label : {Label1, Label2_0, Label2_1, Label3}) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_EQ(textColor(label), kDesign);
        EXPECT_FALSE(label->autoFillBackground());
        EXPECT_TRUE(label->font().underline());
        EXPECT_EQ(label->font().pixelSize(), 14);
        EXPECT_EQ(label->cursor().shape(), Qt::BitmapCursor);
        EXPECT_EQ(label->cursor().hotSpot(), QPoint(6, 0));
    }
    EXPECT_TRUE(Timer1->Enabled());
    EXPECT_EQ(Timer1->Interval(), 20);
}

TEST_F(GgTest, ChineseTitlesHaveAFontThatCanShowThem)
{
    create(unreachableFeedUrl());
    const QString family = QFontInfo(Label2_0->font()).family();
    EXPECT_TRUE(QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese))
        << family.toStdString();

    // Every label paints its caption and, under it, an underline as long as the caption.
    serve(rssFeed({{"春季新品", "http://a.example/"}, {"数码家电", "http://b.example/"}}));
    create();
    for (QLabel* label : {Label1, Label2_0, Label2_1, Label3}) {
        SCOPED_TRACE(label->objectName().toStdString());
        QImage image(label->size(), QImage::Format_RGB32);
        image.fill(QColor(0, 153, 255));
        label->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        int inked = 0;
        int longestRow = 0;
        for (int y = 0; y < image.height(); ++y) {
            int row = 0;
            for (int x = 0; x < image.width(); ++x)
                row += QColor(image.pixel(x, y)).green() < 100;
            inked += row;
            longestRow = std::max(longestRow, row);
        }
        EXPECT_GT(inked, 60);
        const int captionWidth = QFontMetrics(label->font()).horizontalAdvance(label->text());
        EXPECT_GE(longestRow, std::min(captionWidth, label->width()) - 1);
    }
}

TEST_F(GgTest, HandCursorPointsWithTheIndexFinger)
{
    const QCursor hand = handCursor();
    EXPECT_EQ(hand.hotSpot(), QPoint(6, 0));
    const QImage mask = hand.mask().toImage();
    const QImage bits = hand.bitmap().toImage();
    ASSERT_EQ(mask.size(), QSize(32, 32));
    ASSERT_EQ(bits.size(), QSize(32, 32));
    const auto opaque = [&](int x, int y) { return mask.pixelIndex(x, y) != 0; };
    EXPECT_TRUE(opaque(6, 0)); // the fingertip is the hot spot
    EXPECT_FALSE(opaque(0, 0));
    EXPECT_FALSE(opaque(12, 0)); // only the finger reaches the top
    EXPECT_FALSE(opaque(31, 31));
}

TEST_F(GgTest, FeedTitlesFillTheLabels)
{
    serve(rssFeed({{"春季新品", "http://shop.example/a"},
                   {"数码", "https://shop.example/b"},
                   {"Books", "http://shop.example/c"}}));
    create();
    EXPECT_EQ(Label2_0->text(), QStringLiteral("春季新品"));
    EXPECT_EQ(Label2_1->text(), QStringLiteral("数码"));
    EXPECT_EQ(Label1->text(), QStringLiteral("春季新品"));
    EXPECT_EQ(server.requests().size(), 1);

    click(Label2_0);
    click(Label2_1);
    click(Label1);
    click(Label3);
    EXPECT_EQ(shell.opened, (QList<QUrl>{QUrl(QStringLiteral("http://shop.example/a")),
                                         QUrl(QStringLiteral("https://shop.example/b")),
                                         QUrl(QStringLiteral("http://shop.example/a")),
                                         QUrl(Gg::moreSoftwareUrl())}));

    // The ticker walks every row: row 0 again first, then rows 1 and 2, then back to 0.
    EXPECT_EQ(nextTitle(), QStringLiteral("春季新品"));
    EXPECT_EQ(nextTitle(), QStringLiteral("数码"));
    EXPECT_EQ(nextTitle(), QStringLiteral("Books"));
    shell.opened.clear();
    click(Label1); // the ticker opens the row it shows
    EXPECT_EQ(shell.opened, (QList<QUrl>{QUrl(QStringLiteral("http://shop.example/c"))}));
    EXPECT_EQ(nextTitle(), QStringLiteral("春季新品"));
}

TEST_F(GgTest, OneItemFeedKeepsTheSecondDesignCaption)
{
    serve(rssFeed({{"Only", "http://only.example/"}}));
    create();
    EXPECT_EQ(Label2_0->text(), QStringLiteral("Only"));
    EXPECT_EQ(Label2_1->text(), QStringLiteral("商城导航"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(nextTitle(), QStringLiteral("Only"));

    click(Label2_1); // no second row: nothing to open
    EXPECT_TRUE(shell.opened.isEmpty());
}

TEST_F(GgTest, FixedTableTakesOverWhenTheFeedYieldsNoFirstTitle)
{
    const QList<QByteArray> feeds = {
        rssFeed({{"", "http://a.example/"}, {"Second", "http://b.example/"}}), // empty first title
        "<rss><channel></channel></rss>",                                      // no items
        "<rss><channel><item><title>A</title>",                                // malformed
    };
    for (const QByteArray& feed : feeds) {
        SCOPED_TRACE(feed.toStdString());
        serve(feed);
        create();
        EXPECT_EQ(Label2_0->text(), QStringLiteral("淘宝特卖123"));
        EXPECT_EQ(Label2_1->text(), QStringLiteral("商城导航"));
        EXPECT_EQ(Label1->text(), QStringLiteral("淘宝特卖123"));
    }
    shell.opened.clear();
    click(Label2_0);
    click(Label2_1);
    ASSERT_EQ(shell.opened.size(), 2);
    EXPECT_EQ(shell.opened[0], QUrl(Gg::fixedLinks()[0].link));
    EXPECT_EQ(shell.opened[1], QUrl(Gg::fixedLinks()[1].link));
}

TEST_F(GgTest, FixedLinksAreWebPages)
{
    for (const LinkRow& row : Gg::fixedLinks()) {
        SCOPED_TRACE(row.link.toStdString());
        const QUrl url(row.link, QUrl::StrictMode);
        EXPECT_TRUE(url.isValid());
        EXPECT_EQ(url.scheme(), QStringLiteral("https"));
    }
    EXPECT_EQ(QUrl(Gg::moreSoftwareUrl()).scheme(), QStringLiteral("https"));
}

TEST_F(GgTest, UnreachableFeedShowsTheFixedTable)
{
    create(unreachableFeedUrl());
    EXPECT_EQ(Label2_0->text(), QStringLiteral("淘宝特卖123"));
    EXPECT_EQ(Label2_1->text(), QStringLiteral("商城导航"));
    EXPECT_EQ(Label1->text(), QStringLiteral("淘宝特卖123"));
}

TEST_F(GgTest, SilentAdServerHoldsCreationForThreeSecondsAtMost)
{
    server.setReply("/g/g.xml",
                    HttpTestServer::Reply()
                        .then(HttpTestServer::response(200, "OK", {"Content-Length: 5000"}))
                        .then("<rss><channel><item><title>Late</title>", 100)
                        .hold());
    QElapsedTimer clock;
    clock.start();
    create();
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(elapsed, 2900);
    EXPECT_LT(elapsed, 4500);
    EXPECT_EQ(Label1->text(), QStringLiteral("淘宝特卖123"));
}

TEST_F(GgTest, OnlyWebLinksAreOpened)
{
    serve(rssFeed({{"File", "file:///etc/passwd"},
                   {"Script", "javascript:alert(1)"},
                   {"Program", "C:\\Windows\\System32\\calc.exe"},
                   {"Path", "/usr/bin/xterm"},
                   {"Web", "https://shop.example/ok"}}));
    create();
    click(Label2_0);
    click(Label2_1);
    click(Label1);
    EXPECT_TRUE(shell.opened.isEmpty());
    for (int i = 0; i < 5; ++i) {
        nextTitle();
        click(Label1);
    }
    EXPECT_EQ(shell.opened, (QList<QUrl>{QUrl(QStringLiteral("https://shop.example/ok"))}));
}

TEST_F(GgTest, ClickNeedsPressAndReleaseOnTheSameLink)
{
    create(unreachableFeedUrl());
    QTest::mousePress(Label2_0, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(Label2_1, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseClick(Label2_0, Qt::RightButton, {}, QPoint(3, 3));
    EXPECT_TRUE(shell.opened.isEmpty());
    QTest::mouseClick(Label3, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(shell.opened, (QList<QUrl>{QUrl(Gg::moreSoftwareUrl())}));
}

TEST_F(GgTest, TickerStepsFromTheDesignTop)
{
    create(unreachableFeedUrl());
    std::vector<std::pair<int, int>> steps; // top and interval after each tick
    for (int i = 0; i < 12; ++i) {
        Timer1->fire();
        steps.emplace_back(Label1->y(), Timer1->Interval());
    }
    const std::vector<std::pair<int, int>> expected = {{7, 20},  {6, 6000}, {5, 20},  {4, 20},
                                                       {3, 20},  {2, 20},   {1, 20},  {0, 20},
                                                       {24, 20}, {23, 20},  {22, 20}, {21, 20}};
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(Label1->text(), QStringLiteral("淘宝特卖123"));

    // A full climb from the bottom: rest at 6 for one 6000 ms tick, then on to 0 and the next row.
    for (int top = 20; top >= 0; --top) {
        Timer1->fire();
        EXPECT_EQ(Label1->y(), top);
        EXPECT_EQ(Timer1->Interval(), top == 6 ? 6000 : 20);
    }
    Timer1->fire();
    EXPECT_EQ(Label1->y(), 24);
    EXPECT_EQ(Label1->text(), QStringLiteral("商城导航"));
}

TEST_F(GgTest, FixedTableTickerShowsRowZeroTwiceThenCycles)
{
    create(unreachableFeedUrl());
    QStringList shown{Label1->text()};
    for (int i = 0; i < 10; ++i)
        shown << nextTitle();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("淘宝特卖123"), QStringLiteral("淘宝特卖123"),
                                  QStringLiteral("商城导航"), QStringLiteral("天猫商城"),
                                  QStringLiteral("购物客"), QStringLiteral("女装频道"),
                                  QStringLiteral("美容频道"), QStringLiteral("男人频道"),
                                  QStringLiteral("家电数码"), QStringLiteral("淘宝特卖123"),
                                  QStringLiteral("商城导航")}));
}

TEST_F(GgTest, HoverOnRestingTickerFreezesItAndResumesWithTheRestInterval)
{
    create(unreachableFeedUrl());
    Timer1->fire();
    Timer1->fire();
    ASSERT_EQ(Label1->y(), 6);
    ASSERT_EQ(Timer1->Interval(), 6000);

    hover(Label1, QPoint(5, 5));
    EXPECT_FALSE(Timer1->Enabled());
    EXPECT_FALSE(Timer1->isRunning());
    EXPECT_EQ(Label1->y(), 6);
    EXPECT_EQ(textColor(Label1), kRed);
    Timer1->fire(); // no ticks while frozen
    EXPECT_EQ(Label1->y(), 6);

    hover(Picture1, QPoint(172, 3)); // the frame, right of the ticker label
    EXPECT_EQ(textColor(Label1), kBlue);
    EXPECT_TRUE(Timer1->isRunning());
    EXPECT_EQ(Timer1->Interval(), 6000);
    Timer1->fire();
    EXPECT_EQ(Label1->y(), 5);
    EXPECT_EQ(Timer1->Interval(), 20);
}

TEST_F(GgTest, HoverOnRisingTickerPullsItToTheRestPosition)
{
    create(unreachableFeedUrl());
    nextTitle(); // now rising from the bottom at 24
    Timer1->fire();
    ASSERT_EQ(Label1->y(), 23);

    hover(Label1, QPoint(2, 0)); // only its top rows show above the frame's bottom
    EXPECT_EQ(Label1->y(), 6);
    EXPECT_FALSE(Timer1->Enabled());
    EXPECT_EQ(Timer1->Interval(), 20);

    hover(gg.get(), QPoint(80, 28)); // the strip's background
    EXPECT_TRUE(Timer1->isRunning());
    EXPECT_EQ(Timer1->Interval(), 20);
    Timer1->fire();
    EXPECT_EQ(Label1->y(), 5);
    EXPECT_EQ(Timer1->Interval(), 20);
}

TEST_F(GgTest, HoverColoursLinksRedAndLeavingMakesThemBlue)
{
    create(unreachableFeedUrl());
    hover(Label2_0, QPoint(4, 4));
    EXPECT_EQ(textColor(Label2_0), kRed);
    EXPECT_EQ(textColor(Label2_1), kDesign);
    EXPECT_EQ(textColor(Label1), kDesign);
    EXPECT_TRUE(Timer1->Enabled()); // hovering a fixed link leaves the ticker alone

    hover(Label2_1, QPoint(4, 4));
    EXPECT_EQ(textColor(Label2_1), kRed);
    EXPECT_EQ(textColor(Label2_0), kRed); // straight from one link to the other

    hover(Picture1, QPoint(172, 3)); // the frame only affects the ticker label
    EXPECT_EQ(textColor(Label1), kBlue);
    EXPECT_EQ(textColor(Label2_0), kRed);

    hover(gg.get(), QPoint(80, 28));
    EXPECT_EQ(textColor(Label2_0), kBlue);
    EXPECT_EQ(textColor(Label2_1), kBlue);
    EXPECT_EQ(textColor(Label1), kBlue);
    EXPECT_EQ(textColor(Label3), kDesign);
}

TEST_F(GgTest, LeavingTheTickerOverAnotherLinkKeepsItFrozen)
{
    create(unreachableFeedUrl());
    hover(Label1, QPoint(5, 5));
    hover(Label3, QPoint(5, 5)); // "更多软件" has no hover of its own
    EXPECT_FALSE(Timer1->Enabled());
    EXPECT_EQ(textColor(Label1), kRed);
    EXPECT_EQ(textColor(Label3), kDesign);
    hover(Label2_1, QPoint(5, 5));
    EXPECT_FALSE(Timer1->Enabled());
    EXPECT_EQ(Label1->y(), 6);
}
