#include "windows/RadioWindow.h"
#include "app/tests/AppFixture.h"
#include "button/SkinButton.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/MediaFixtures.h"
#include "windows/Controls.h"
#include "windows/Recording.h"
#include "windows/RememberedState.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

using namespace kelvane;
using namespace kelvane::test;
using State = MediaPlayer::State;

namespace {

class RadioWindowTest : public AppFixture
{
protected:
    RadioWindow* open()
    {
        auto* w = dynamic_cast<RadioWindow*>(forms.show("frmMain"));
        EXPECT_NE(w, nullptr);
        return w;
    }
    void select(RadioWindow* w, int row) { w->rLista->setCurrentRow(row); }

    void serveStation(const QByteArray& path)
    {
        const QByteArray mp3 = generatedMp3();
        server.setHandler(path, [mp3](QTcpSocket* socket, const HttpTestServer::Request& r) {
            IcyStreamer::Options o;
            o.source = mp3;
            IcyStreamer::start(socket, r, o);
        });
    }

    HttpTestServer server;
};

} // namespace

TEST_F(RadioWindowTest, LoadsTheRadioListWithItsDesignLayout)
{
    writeList("fmstacionet.dat",
              QStringLiteral("中国之声 ==> http://a/1\r\n音乐之声==>http://a/2"));
    auto* w = open();
    EXPECT_EQ(w->windowTitle(), "Kelvane");
    EXPECT_EQ(w->size(), QSize(351, 312));
    ASSERT_EQ(w->rLista->count(), 2);
    EXPECT_EQ(w->rLista->item(0)->text(), QStringLiteral("中国之声"));
    EXPECT_EQ(w->rURLs, (QStringList{"http://a/1", "http://a/2"}));
    EXPECT_EQ(w->wmpr->geometry(), QRect(72, 88, 272, 61));
    EXPECT_EQ(w->rLista->geometry(), QRect(72, 104, 273, 112));
    EXPECT_EQ(w->bbStop->geometry(), QRect(296, 216, 41, 20));
    EXPECT_EQ(w->Label2[0]->geometry(), QRect(341, 0, 9, 17));
    EXPECT_EQ(w->Label2[1]->geometry(), QRect(1, 0, 9, 17));
    EXPECT_EQ(w->Image1->geometry(), QRect(264, 240, 89, 41));
    EXPECT_GE(w->Text->y(), w->height()); // below the client area, never seen
    EXPECT_EQ(w->bbStop->Caption(), QStringLiteral("停止"));
    EXPECT_EQ(w->bbUpdate->Caption(), QStringLiteral("检查更新"));
    EXPECT_EQ(w->bbStop->Style(), 9);
    EXPECT_TRUE(w->Text->text().endsWith("/fmstacionet.dat"));
    // The list stacks above the player, so no station row is hidden under it.
    const QList<QObject*> order = w->children();
    EXPECT_GT(order.indexOf(w->rLista), order.indexOf(w->wmpr));
}

TEST_F(RadioWindowTest, MissingListLeavesTheListBoxAsItIsSilently)
{
    // The list box holds stations before the load runs; with no list file they stay, and no
    // address is kept for them.
    forms.registerForm("frmMain", [this](FormRegistry& r) {
        auto* w = new RadioWindow(r, services);
        w->rLista->addItem(QStringLiteral("先前一"));
        w->rLista->addItem(QStringLiteral("先前二"));
        w->rURLs = QStringList{"http://a/1", "http://a/2"};
        return w;
    });
    ASSERT_FALSE(QFileInfo::exists(folder.filePath("fmstacionet.dat")));
    auto* w = open();
    ASSERT_EQ(w->rLista->count(), 2);
    EXPECT_EQ(w->rLista->item(0)->text(), QStringLiteral("先前一"));
    EXPECT_EQ(w->rLista->item(1)->text(), QStringLiteral("先前二"));
    EXPECT_TRUE(w->rURLs.isEmpty());
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(RadioWindowTest, DoubleClickWithoutSelectionClosesThePlayerThenShowsOneMessage)
{
    serveStation("/live");
    writeList("fmstacionet.dat", "A==>" + server.url("/live") + "\r\nB==>x\r\n");
    auto* w = open();
    select(w, 0);
    w->rLista_DblClick();
    ASSERT_TRUE(waitUntil([&] { return w->wmpr->state() == State::Playing; }, 20000));

    w->rLista->clearSelection();
    w->rLista->setCurrentRow(-1);
    State stateWhenShown = State::Playing;
    messages.onShow = [&](const auto&) { stateWhenShown = w->wmpr->state(); };
    w->rLista_DblClick();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("请检查是否连接到网络."));
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("提示"));
    EXPECT_EQ(messages.shown[0].icon, MessageBox::Icon::Information);
    EXPECT_EQ(stateWhenShown, State::Stopped); // closed before the message
}

TEST_F(RadioWindowTest, StationWithEmptyAddressPlaysNothingAndSaysNothing)
{
    // From a station that plays: the one without an address ends it and plays nothing.
    QPointer<QTcpSocket> stream;
    IcyStreamer::serve(server, "/live", generatedMp3(), &stream);
    writeList("fmstacionet.dat",
              "Live==>" + server.url("/live") + QStringLiteral("\r\n无地址\r\n"));
    auto* w = open();
    select(w, 0);
    w->rLista_DblClick();
    ASSERT_TRUE(waitUntil([&] { return w->wmpr->state() == State::Playing; }, 20000));
    ASSERT_FALSE(stream.isNull());

    select(w, 1);
    w->rLista_DblClick();
    EXPECT_EQ(w->wmpr->state(), State::Stopped);
    EXPECT_TRUE(waitUntil(
        [&] { return stream.isNull() || stream->state() != QAbstractSocket::ConnectedState; },
        10000))
        << "the station played before still streams";
    flushEvents();
    EXPECT_EQ(w->wmpr->state(), State::Stopped);
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(RadioWindowTest, MouseDoubleClickPlaysAndStopButtonStops)
{
    serveStation("/live");
    writeList("fmstacionet.dat", "Live==>" + server.url("/live") + "\r\n");
    auto* w = open();
    const QRect row = w->rLista->visualItemRect(w->rLista->item(0));
    QTest::mouseClick(w->rLista->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(w->rLista->viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_TRUE(waitUntil([&] { return w->wmpr->state() == State::Playing; }, 20000));
    EXPECT_EQ(w->wmpr->URL(), server.url("/live"));

    clickOn(w->bbStop);
    EXPECT_EQ(w->wmpr->state(), State::Stopped);
    clickOn(w->bbStop); // stop while nothing plays: nothing happens
    EXPECT_EQ(w->wmpr->state(), State::Stopped);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(RadioWindowTest, EnterOnTheListPlaysTheSelectedStation)
{
    serveStation("/live");
    writeList("fmstacionet.dat", "Live==>" + server.url("/live") + "\r\n");
    auto* w = open();
    select(w, 0);
    QTest::keyClick(w->rLista, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return w->wmpr->state() != State::Stopped; }, 5000));
}

TEST_F(RadioWindowTest, EitherCloseMarkUnloadsTheWindowAndEndsTheProgram)
{
    for (int index : {0, 1}) {
        auto* w = open();
        QSignalSpy last(&forms, &FormRegistry::lastFormUnloaded);
        QTest::mouseClick(w->Label2[index], Qt::LeftButton);
        EXPECT_FALSE(forms.isLoaded("frmMain"));
        EXPECT_EQ(last.count(), 1);
        flushEvents();
    }
}

TEST_F(RadioWindowTest, UnloadingStopsThePlayer)
{
    serveStation("/live");
    writeList("fmstacionet.dat", "Live==>" + server.url("/live") + "\r\n");
    auto* w = open();
    select(w, 0);
    w->rLista_DblClick();
    ASSERT_TRUE(waitUntil([&] { return w->wmpr->state() == State::Playing; }, 20000));
    QPointer<MediaPlayer> player = w->wmpr;
    w->Label2_Click(1);
    EXPECT_EQ(player->state(), State::Stopped);
}

TEST_F(RadioWindowTest, AboutLabelOpensOneAboutWindow)
{
    auto* w = open();
    QTest::mouseClick(w->Label1, Qt::LeftButton);
    QTest::mouseClick(w->Label1, Qt::LeftButton);
    EXPECT_TRUE(forms.isLoaded("frmAbout"));
    EXPECT_EQ(forms.loadedCount(), 2);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(RadioWindowTest, ANameTooLongForTheListShowsWholeInItsTooltipAndTabReachesTheBar)
{
    const QString longName = QStringLiteral("中央人民广播电台中国之声全国新闻综合频率直播节目");
    writeList("fmstacionet.dat", QStringLiteral("短 ==> http://a/1\r\n") + longName +
                                     QStringLiteral(" ==> http://a/2\r\n"));
    auto* w = open();
    const struct
    {
        int row;
        QString tip;
    } rows[] = {{0, QString()}, {1, longName}};
    for (const auto& r : rows) {
        const QRect cell = w->rLista->visualItemRect(w->rLista->item(r.row));
        QHelpEvent help(QEvent::ToolTip, cell.center(),
                        w->rLista->viewport()->mapToGlobal(cell.center()));
        QCoreApplication::sendEvent(w->rLista->viewport(), &help);
        EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), r.tip) << r.row;
    }

    // Tab from the list walks the compact bar's controls.
    const QList<QWidget*> bar = w->wmpr->tabStops();
    ASSERT_FALSE(bar.isEmpty());
    QWidget* next = w->rLista->nextInFocusChain();
    while (next != w->rLista && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    EXPECT_EQ(next, bar.first());
}

TEST_F(RadioWindowTest, AStationThatFailedIsGreyWithItsReasonUntilItPlays)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QString dead = QStringLiteral("http://127.0.0.1:%1/x").arg(closed.serverPort());
    closed.close();
    server.setReply("/later", HttpTestServer::Reply().then(HttpTestServer::response(
                                  404, "Not Found", {"Content-Length: 0"})));
    writeList("fmstacionet.dat", "Dead==>" + dead + "\r\nLater==>" + server.url("/later") +
                                     "\r\nIdle==>http://127.0.0.1:9/idle\r\n");
    auto* w = open();
    const auto grey = [&](int row) {
        return w->rLista->item(row)->data(Qt::ForegroundRole).isValid();
    };
    for (int row : {0, 1}) {
        select(w, row);
        w->rLista_DblClick();
        ASSERT_TRUE(waitUntil([&] { return w->wmpr->state() == State::Failed; }, 15000));
    }
    EXPECT_TRUE(grey(0) && grey(1));
    EXPECT_FALSE(grey(2));
    EXPECT_EQ(w->rLista->item(0)->toolTip(), QStringLiteral("无法播放：无法连接"));
    EXPECT_EQ(w->rLista->item(1)->toolTip(), QStringLiteral("无法播放：未找到 (HTTP 404)"));

    serveStation("/later");
    select(w, 1);
    w->rLista_DblClick();
    ASSERT_TRUE(waitUntil([&] { return w->wmpr->state() == State::Playing; }, 20000));
    EXPECT_FALSE(grey(1));
    EXPECT_TRUE(w->rLista->item(1)->toolTip().isEmpty());
    EXPECT_TRUE(grey(0)) << "only the station that played is cleared";
}

TEST_F(RadioWindowTest, CtrlRRecordsIntoTheMusicFolderAndAnUnwritableFolderSaysSo)
{
    serveStation("/live");
    writeList("fmstacionet.dat", QStringLiteral("音乐台==>") + server.url("/live") + "\r\n");
    auto* w = open();
    select(w, 0);
    w->rLista_DblClick();
    ASSERT_TRUE(waitUntil([&] { return w->wmpr->state() == State::Playing; }, 20000));

    QApplication::setActiveWindow(w);
    QTest::keyClick(w, Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(w->wmpr->isRecording());
    const QString path = w->wmpr->recordingPath();
    EXPECT_EQ(QFileInfo(path).absolutePath(), services.recordFolder);
    EXPECT_TRUE(QFileInfo(path).fileName().contains(QRegularExpression(
        QStringLiteral("^音乐台 \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d\\.mp3$"))))
        << path.toStdString();
    runFor(1000);      // a second of the station's sound to keep
    w->bbStop_Click(); // stopping ends the file
    EXPECT_FALSE(w->wmpr->isRecording());
    EXPECT_TRUE(waitUntil([&] { return QFileInfo(path).size() > 0; }, 10000));

    // A folder that cannot be made: a clear message, and the station plays on.
    w->rLista_DblClick();
    ASSERT_TRUE(waitUntil([&] { return w->wmpr->state() == State::Playing; }, 20000));
    QFile blocker(folder.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    AppServices blocked = services;
    blocked.recordFolder = folder.filePath("file/Kelvane");
    toggleRecording(*w->wmpr, blocked, *w);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.startsWith(QStringLiteral("无法录音")));
    EXPECT_FALSE(w->wmpr->isRecording());
    EXPECT_EQ(w->wmpr->state(), State::Playing);
}

TEST_F(RadioWindowTest, ADoubleClickOnTheListsEmptyPartWithNothingSelectedShowsTheMessage)
{
    writeList("fmstacionet.dat", "A==>http://127.0.0.1:9/a\r\n");
    auto* w = open();
    w->rLista->setCurrentRow(-1);
    const QPoint below = w->rLista->viewport()->rect().bottomLeft() + QPoint(5, -5);
    ASSERT_EQ(w->rLista->itemAt(below), nullptr);
    QTest::mouseDClick(w->rLista->viewport(), Qt::LeftButton, {}, below);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, kGenericErrorText);
}

TEST_F(RadioWindowTest, TheStationRememberedIsOneThatPlayedAndTheBarOpensTheRecordingsFolder)
{
    RememberedState remembered(folder.filePath("Kelvane.conf"));
    services.remembered = &remembered;
    forms.registerForm("frmMain", [this](FormRegistry& r) { return new RadioWindow(r, services); });
    serveStation("/live");
    writeList("fmstacionet.dat",
              "Good==>" + server.url("/live") + "\r\nDead==>http://127.0.0.1:9/x\r\n");
    auto* w = open();
    for (int row : {0, 1}) {
        select(w, row);
        w->rLista_DblClick();
        const State end = row == 0 ? State::Playing : State::Failed;
        ASSERT_TRUE(waitUntil([&] { return w->wmpr->state() == end; }, 20000));
    }
    EXPECT_EQ(remembered.lastStation("fmstacionet"), QStringLiteral("Good"));

    Q_EMIT w->wmpr->openRecordingsRequested(); // "打开录音文件夹"
    EXPECT_EQ(shell.folders, QStringList{services.recordFolder});
    EXPECT_TRUE(QFileInfo(services.recordFolder).isDir());
}
