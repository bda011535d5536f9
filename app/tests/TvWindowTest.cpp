#include "windows/TvWindow.h"
#include "app/tests/AppFixture.h"
#include "button/SkinButton.h"
#include "player/SleepTimer.h"
#include "stations/History.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/MediaFixtures.h"
#include "windows/HistoryWindow.h"
#include "windows/RadioWindow.h"
#include "windows/VideoWindow.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QOpenGLWidget>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace kelvane;
using namespace kelvane::test;
using State = MediaPlayer::State;

namespace {

class TvWindowTest : public AppFixture
{
protected:
    TvWindowTest()
    {
        // Real pictures: sound to nowhere, video drawn on the virtual display.
        services.playerOptions = {"ao=null"};
        forms.registerForm("frmMainTV",
                           [this](FormRegistry& r) { return new TvWindow(r, services); });
        forms.registerForm("frmTV",
                           [this](FormRegistry& r) { return new VideoWindow(r, services); });
        forms.registerForm("frmMain",
                           [this](FormRegistry& r) { return new RadioWindow(r, services); });
        const QByteArray video = generatedVideoTs(30);
        server.setReply("/tv1.ts", HttpTestServer::ok(video, "video/mp2t"));
        server.setReply("/tv2.ts", HttpTestServer::ok(video, "video/mp2t"));
        writeList("tvstacionet.dat", "One ||> " + server.url("/tv1.ts") + "\r\nTwo ||> " +
                                         server.url("/tv2.ts") + "\r\n");
        writeList("tvadult.dat", QStringLiteral("更多 ||> ") + server.url("/tv2.ts") + "\r\n");
    }

    TvWindow* open()
    {
        auto* w = dynamic_cast<TvWindow*>(forms.show("frmMainTV"));
        EXPECT_NE(w, nullptr);
        return w;
    }
    VideoWindow* video() { return formAs<VideoWindow>("frmTV"); }
    void play(TvWindow* w, int row)
    {
        w->tLista->setCurrentRow(row);
        w->tLista_DblClick();
    }

    HttpTestServer server;
};

// Share of pixels in the image that are strongly coloured (the test pattern's bars), as opposed
// to black or the orange and black of the background picture.
double colourfulShare(const QImage& image)
{
    int colourful = 0;
    int total = 0;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4) {
            const QColor c = image.pixelColor(x, y);
            ++total;
            const bool orange = c.red() > 200 && c.green() > 60 && c.green() < 180 && c.blue() < 60;
            if (c.value() > 60 && c.saturation() > 80 && !orange)
                ++colourful;
        }
    }
    return total == 0 ? 0 : double(colourful) / total;
}

} // namespace

TEST_F(TvWindowTest, LoadsBothListsAndStartsInTheTvView)
{
    auto* w = open();
    EXPECT_EQ(w->size(), QSize(352, 313));
    EXPECT_EQ(w->tLista->count(), 2);
    EXPECT_EQ(w->aLista->count(), 1);
    EXPECT_EQ(w->tURLs.size(), 2);
    EXPECT_TRUE(w->tLista->isVisible());
    EXPECT_TRUE(w->sAdult->isVisible());
    EXPECT_FALSE(w->aLista->isVisible());
    EXPECT_FALSE(w->hAdult->isVisible());
    EXPECT_FALSE(w->Text1->isVisible());
    EXPECT_EQ(w->sAdult->Caption(), QStringLiteral("显示媒体链接"));
    EXPECT_EQ(w->hAdult->geometry(), w->sAdult->geometry());
    EXPECT_EQ(w->tLista->geometry(), QRect(96, 96, 249, 109));
    EXPECT_EQ(w->aLista->geometry(), QRect(96, 96, 249, 100));
}

TEST_F(TvWindowTest, ShowAndHideSwitchTheViews)
{
    auto* w = open();
    w->sAdult_Click();
    EXPECT_FALSE(w->tLista->isVisible());
    EXPECT_FALSE(w->sAdult->isVisible());
    EXPECT_TRUE(w->aLista->isVisible());
    EXPECT_TRUE(w->hAdult->isVisible());
    w->hAdult_Click();
    EXPECT_TRUE(w->tLista->isVisible());
    EXPECT_TRUE(w->sAdult->isVisible());
    EXPECT_FALSE(w->aLista->isVisible());
    EXPECT_FALSE(w->hAdult->isVisible());
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(TvWindowTest, DoubleClickWithoutSelectionShowsVideoWindowClosesPlayerAndOneMessage)
{
    auto* w = open();
    play(w, 0);
    ASSERT_NE(video(), nullptr);
    w->tLista->clearSelection();
    w->tLista_DblClick();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("请检查是否连接到网络."));
    EXPECT_TRUE(video()->isVisible());
    EXPECT_EQ(video()->wmpt->state(), State::Stopped);
}

TEST_F(TvWindowTest, TheVideoWindowSaysWhyAStationFailedAndAnswersTheViewersKeys)
{
    QTcpServer closed; // a port where nothing listens
    closed.listen(QHostAddress::LocalHost);
    writeList(
        "tvstacionet.dat",
        "One ||> " + server.url("/tv1.ts") +
            QStringLiteral("\r\nDead ||> http://127.0.0.1:%1/x.ts\r\n").arg(closed.serverPort()));
    closed.close();
    auto* w = open();
    play(w, 1);
    VideoWindow* v = video();
    ASSERT_TRUE(waitUntil([&] { return v->wmpt->state() == State::Failed; }, 15000));
    EXPECT_EQ(v->noticeText(), QStringLiteral("Dead · 无法播放：无法连接"));
    play(w, 0);
    EXPECT_EQ(v->noticeText(), QString()) << "a new station clears the reason";
    ASSERT_TRUE(waitUntil([&] { return v->wmpt->state() == State::Playing; }, 20000));

    const struct
    {
        Qt::Key key;
        const char* note;
    } keys[] = {{Qt::Key_Up, "音量 55"}, {Qt::Key_Up, "音量 60"}, {Qt::Key_Down, "音量 55"},
                {Qt::Key_M, "静音"},     {Qt::Key_M, "取消静音"}, {Qt::Key_Space, "已暂停"}};
    for (const auto& k : keys) {
        QTest::keyClick(v, k.key);
        EXPECT_EQ(v->noteText(), QString::fromUtf8(k.note));
    }
    EXPECT_EQ(v->wmpt->volume(), 55);
    EXPECT_FALSE(v->wmpt->isMuted());
    EXPECT_TRUE(waitUntil([&] { return v->wmpt->state() == State::Paused; }, 5000));

    // Filling the screen takes a window manager: the whole-program test checks that.
    QTest::keyClick(v, Qt::Key_F);
    EXPECT_TRUE(v->isFullScreen());
    QTest::keyClick(v, Qt::Key_Escape);
    EXPECT_FALSE(v->isFullScreen());
    EXPECT_EQ(v->size(), QSize(497, 424));
    EXPECT_EQ(v->windowTitle(), QStringLiteral("  Sorrelin"));
}

TEST_F(TvWindowTest, SoundStartsAtOnceAndThePictureAppearsAtTheReveal)
{
    auto* w = open();
    play(w, 0);
    VideoWindow* v = video();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->windowTitle(), "  Sorrelin");
    EXPECT_EQ(v->size(), QSize(497, 424));
    EXPECT_TRUE(v->Timer1.Enabled());
    EXPECT_FALSE(v->wmpt->isVisible());
    ASSERT_TRUE(waitUntil([&] { return v->wmpt->state() == State::Playing; }, 20000));
    EXPECT_FALSE(v->wmpt->isVisible()); // playing, still hidden behind picture B

    v->Timer1.fire();
    EXPECT_FALSE(v->Timer1.Enabled());
    ASSERT_TRUE(v->wmpt->isVisible());
    auto* surface = qobject_cast<QOpenGLWidget*>(v->wmpt->videoArea());
    ASSERT_NE(surface, nullptr);
    ASSERT_TRUE(waitUntil([&] { return colourfulShare(surface->grabFramebuffer()) > 0.3; }, 20000))
        << "the test pattern never appeared in the video area";
    EXPECT_EQ(v->wmpt->state(), State::Playing);
}

TEST_F(TvWindowTest, ASecondStationAfterTheRevealPlaysInTheVisiblePlayer)
{
    auto* w = open();
    play(w, 0);
    VideoWindow* v = video();
    v->Timer1.fire();
    ASSERT_TRUE(waitUntil([&] { return v->wmpt->state() == State::Playing; }, 20000));
    play(w, 1);
    EXPECT_EQ(video(), v);
    EXPECT_TRUE(v->wmpt->isVisible());
    EXPECT_EQ(v->wmpt->URL(), server.url("/tv2.ts"));
    ASSERT_TRUE(waitUntil([&] { return v->wmpt->state() == State::Playing; }, 20000));
    v->Timer1.fire(); // the timer runs again; its tick changes nothing
    EXPECT_TRUE(v->wmpt->isVisible());
}

TEST_F(TvWindowTest, ASecondStationWhileWaitingKeepsTheRunningCount)
{
    auto* w = open();
    play(w, 0);
    VideoWindow* v = video();
    runFor(400);
    const int before = v->Timer1.remainingTime();
    EXPECT_LE(before, 15000 - 400);
    play(w, 1);
    EXPECT_TRUE(v->Timer1.Enabled());
    EXPECT_LE(v->Timer1.remainingTime(), before); // not started again
}

TEST_F(TvWindowTest, ClosingTheVideoWindowWhileItWaitsThenANewStationOpensItHidden)
{
    auto* w = open();
    play(w, 0);
    QPointer<VideoWindow> first = video();
    first->close();
    EXPECT_FALSE(forms.isLoaded("frmTV"));
    flushEvents();
    EXPECT_TRUE(first.isNull());
    play(w, 1);
    ASSERT_NE(video(), nullptr);
    EXPECT_FALSE(video()->wmpt->isVisible());
    EXPECT_TRUE(video()->Timer1.Enabled());
}

TEST_F(TvWindowTest, RadioAndTvWindowsReplaceEachOtherAndTheVideoWindowSurvives)
{
    // A radio station that plays until its listener goes away.
    QPointer<QTcpSocket> radioStream;
    IcyStreamer::serve(server, "/radio", generatedMp3(), &radioStream);
    writeList("fmstacionet.dat", "Radio==>" + server.url("/radio") + "\r\n");
    auto* radio = dynamic_cast<RadioWindow*>(forms.show("frmMain"));
    ASSERT_NE(radio, nullptr);
    radio->rLista->setCurrentRow(0);
    radio->rLista_DblClick();
    QPointer<MediaPlayer> radioPlayer = radio->wmpr;
    ASSERT_TRUE(waitUntil([&] { return radioPlayer->state() == State::Playing; }, 20000));
    ASSERT_FALSE(radioStream.isNull());

    radio->Image1_Click();
    EXPECT_FALSE(forms.isLoaded("frmMain"));
    EXPECT_TRUE(radioPlayer.isNull() || radioPlayer->state() == State::Stopped);
    // The radio player really let go of the station: its stream is closed.
    EXPECT_TRUE(waitUntil(
        [&] {
            return radioStream.isNull() || radioStream->state() != QAbstractSocket::ConnectedState;
        },
        10000))
        << "the radio still reads its station after the switch";
    auto* tv = formAs<TvWindow>("frmMainTV");
    ASSERT_NE(tv, nullptr);
    EXPECT_TRUE(tv->isVisible());
    EXPECT_EQ(tv->tLista->count(), 2);

    play(tv, 0);
    VideoWindow* v = video();
    ASSERT_TRUE(waitUntil([&] { return v->wmpt->state() == State::Playing; }, 20000));
    QSignalSpy last(&forms, &FormRegistry::lastFormUnloaded);
    tv->Image1_Click();
    EXPECT_FALSE(forms.isLoaded("frmMainTV"));
    ASSERT_TRUE(forms.isLoaded("frmMain"));
    EXPECT_EQ(video(), v);
    EXPECT_EQ(v->wmpt->state(), State::Playing);

    // Closing the radio window leaves the program running while the video window is open.
    formAs<RadioWindow>("frmMain")->Label2_Click(0);
    EXPECT_EQ(last.count(), 0);
    v->close();
    EXPECT_EQ(last.count(), 1);
}

TEST_F(TvWindowTest, TheAdultListPlaysInTheVideoWindowToo)
{
    auto* w = open();
    w->sAdult_Click();
    w->aLista->setCurrentRow(0);
    w->aLista_DblClick();
    ASSERT_NE(video(), nullptr);
    EXPECT_EQ(video()->wmpt->URL(), server.url("/tv2.ts"));
}

// The notice over the picture follows every try, as the status line does, not just the first.
TEST_F(TvWindowTest, TheVideoWindowsNoticeFollowsEveryTry)
{
    int requests = 0;
    server.setHandler(
        "/drops.mp3", [&requests](QTcpSocket* socket, const HttpTestServer::Request& request) {
            if (requests++ == 0) {
                IcyStreamer::Options o;
                o.source = generatedMp3(10);
                // Plays a few seconds at its pace, then the station goes away: a live drop, never a
                // short file that arrived whole before it was opened.
                o.burstBytes = 16000;
                o.dropAfter = 64000;
                IcyStreamer::start(socket, request, o);
            } else {
                socket->write(HttpTestServer::response(404, "Not Found", {"Content-Length: 0"}));
                socket->disconnectFromHost();
            }
        });
    writeList("tvstacionet.dat", "Drops ||> " + server.url("/drops.mp3") + "\r\n");
    auto* w = open();
    play(w, 0);
    VideoWindow* v = video();
    for (const char* attempt : {"(1/10)", "(2/10)"})
        EXPECT_TRUE(waitUntil([&] { return v->noticeText().contains(attempt); }, 20000))
            << attempt << " never shown; the notice reads " << v->noticeText().toStdString();
}

TEST_F(TvWindowTest, ATvStationFromTheHistoryPlaysAgainInTheVideoWindow)
{
    History history(folder.path());
    services.history = &history;
    forms.registerForm("frmHistory",
                       [this](FormRegistry& r) { return new HistoryWindow(r, services); });
    play(open(), 1);
    ASSERT_EQ(history.entries().size(), 1);
    EXPECT_EQ(history.entries().first().kind, ListKind::Tv);
    forms.unload("frmTV");

    auto* recent = dynamic_cast<HistoryWindow*>(forms.show("frmHistory"));
    ASSERT_NE(recent, nullptr);
    recent->replay(); // the most recent is selected
    ASSERT_NE(video(), nullptr);
    EXPECT_EQ(video()->wmpt->URL(), server.url("/tv2.ts"));
    forms.unloadAll(); // before the history goes
}

TEST_F(TvWindowTest, ARightClickOnThePictureOffersTheSleepTimer)
{
    play(open(), 0);
    VideoWindow* v = video();
    ASSERT_TRUE(waitUntil([&] { return v->wmpt->state() == State::Playing; }, 20000));
    v->Timer1_Timer(); // the picture is revealed
    QStringList offered;
    QTimer::singleShot(0, v, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        QMenu* sleep = menu->actions().value(0)->menu();
        for (QAction* a : sleep->actions())
            offered.append(a->text());
        sleep->actions().value(0)->trigger();
        menu->close();
    });
    QWidget* picture = v->wmpt->videoArea();
    QContextMenuEvent click(QContextMenuEvent::Mouse, picture->rect().center(),
                            picture->mapToGlobal(picture->rect().center()));
    QApplication::sendEvent(picture, &click);
    EXPECT_EQ(offered,
              QStringList({"15 分钟", "30 分钟", "45 分钟", "60 分钟", "90 分钟", "自定义…"}));
    EXPECT_TRUE(v->wmpt->sleepTimer()->isRunning());
    EXPECT_GT(v->wmpt->sleepTimer()->remainingMs(), 14 * 60'000);
}
