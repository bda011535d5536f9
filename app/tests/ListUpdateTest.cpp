#include "catalogue/ListUpdate.h"
#include "app/tests/AppFixture.h"
#include "button/SkinButton.h"
#include "downloader/FileDownloader.h"
#include "tests/support/HttpTestServer.h"
#include "windows/Controls.h"
#include "windows/RadioWindow.h"
#include "windows/TvWindow.h"

#include <QDir>
#include <QTest>
#include <QTimer>

using namespace kelvane;
using namespace kelvane::test;

namespace {

const QString kIdle = QStringLiteral("检查更新");
const QString kArmed = QStringLiteral("下载");

QByteArray gbkBytes(const QString& text)
{
    QStringEncoder gbk("GBK");
    return gbk.encode(text);
}

class ListUpdateTest : public AppFixture
{
protected:
    ListUpdateTest()
    {
        writeList("fmstacionet.dat", QStringLiteral("旧电台 ==> http://old/1\r\n"));
        writeList("tvstacionet.dat", QStringLiteral("旧电视 ||> http://old/tv\r\n"));
        writeList("tvadult.dat", QStringLiteral("旧更多 ||> http://old/more\r\n"));
        newRadio =
            gbkBytes(QStringLiteral("新电台一 ==> http://new/1\r\n新电台二 ==> http://new/2\r\n"));
        server.setReply("/lists/fmstacionet.dat", HttpTestServer::ok(newRadio));
        server.setReply(
            "/lists/tvstacionet.dat",
            HttpTestServer::ok(gbkBytes(QStringLiteral("新电视 ||> http://new/tv\r\n"))));
        server.setReply("/lists/tvadult.dat", HttpTestServer::ok(gbkBytes(
                                                  QStringLiteral("新更多 ||> http://new/m\r\n"))));
    }

    QByteArray fileBytes(const QString& name)
    {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList folderEntries()
    {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    RadioWindow* radio()
    {
        auto* w = dynamic_cast<RadioWindow*>(forms.show("frmMain"));
        w->FileDownloader->setConnectTimeout(3000);
        w->FileDownloader->setInactivityTimeout(3000);
        return w;
    }
    TvWindow* tv()
    {
        auto* w = dynamic_cast<TvWindow*>(forms.show("frmMainTV"));
        w->FileDownloader->setConnectTimeout(3000);
        w->FileDownloader->setInactivityTimeout(3000);
        return w;
    }
    // A body that arrives slowly, so the test can act while the transfer runs.
    void serveSlowly(const QByteArray& path, int pieces = 20)
    {
        HttpTestServer::Reply reply;
        reply.then(HttpTestServer::response(
            200, "OK", {"Content-Length: " + QByteArray::number(pieces * 1024)}));
        for (int i = 0; i < pieces; ++i)
            reply.then(QByteArray(1024, 'x'), 100);
        server.setReply(path, reply);
    }
    // Clicks the button from inside the running transfer, as a listener would.
    void clickDuringTransfer(SkinButton* button, int afterMs = 150)
    {
        QTimer::singleShot(afterMs, button,
                           [button] { QTest::mouseClick(button, Qt::LeftButton); });
    }

    HttpTestServer server;
    QByteArray newRadio;
};

} // namespace

TEST_F(ListUpdateTest, RadioUpdateArmsThenDownloadsAndReplacesTheListFile)
{
    auto* w = radio();
    w->Text->setText(server.url("/lists/fmstacionet.dat"));
    EXPECT_EQ(w->bbUpdate->Caption(), kIdle);
    clickOn(w->bbUpdate);
    EXPECT_EQ(w->bbUpdate->Caption(), kArmed); // the first click only arms
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(w->Text->isEnabled());

    QString captionWhileRunning;
    bool textEnabledWhileRunning = true;
    QObject::connect(w->FileDownloader, &FileDownloader::DownloadEvents, w, [&] {
        captionWhileRunning = w->bbUpdate->Caption();
        textEnabledWhileRunning = w->Text->isEnabled();
    });
    clickOn(w->bbUpdate);
    EXPECT_EQ(captionWhileRunning, QStringLiteral("取消"));
    EXPECT_FALSE(textEnabledWhileRunning);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("下载完毕！"));
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("成功"));
    EXPECT_EQ(messages.shown[0].icon, MessageBox::Icon::Information);
    EXPECT_EQ(w->bbUpdate->Caption(), kIdle);
    EXPECT_TRUE(w->Text->isEnabled());
    EXPECT_EQ(fileBytes("fmstacionet.dat"), newRadio);
    EXPECT_EQ(w->rLista->count(), 1); // not re-read

    w->Label2_Click(0);
    flushEvents();
    EXPECT_EQ(radio()->rLista->count(), 2); // the next load shows the new stations
    EXPECT_EQ(folderEntries().size(), 3);   // no temporary file left behind
}

TEST_F(ListUpdateTest, EmptyOrSpaceOnlyAddressDoesNothing)
{
    auto* w = radio();
    clickOn(w->bbUpdate);
    for (const QString& text : {QString(), QStringLiteral("   ")}) {
        w->Text->setText(text);
        clickOn(w->bbUpdate);
        EXPECT_EQ(w->bbUpdate->Caption(), kArmed);
        EXPECT_TRUE(w->Text->isEnabled());
    }
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST_F(ListUpdateTest, FailedUpdatesKeepThePreviousListByteForByte)
{
    const QByteArray before = fileBytes("fmstacionet.dat");
    HttpTestServer::Reply shortBody;
    shortBody.then(
        HttpTestServer::response(200, "OK", {"Content-Length: 5000"}, QByteArray(100, 'y')));
    server.setReply("/short/fmstacionet.dat", shortBody);
    const QString closedPort = QStringLiteral("http://127.0.0.1:9/fmstacionet.dat");
    auto* w = radio();
    const struct
    {
        QString url;
        QString message;
    } failures[] = {
        {server.url("/missing/fmstacionet.dat"),
         "The file, \"" + server.url("/missing/fmstacionet.dat") + "\" was not found!"},
        {server.url("/short/fmstacionet.dat"),
         QStringLiteral("The connection with the server was reset.")},
        {closedPort, QStringLiteral("Cannot establish connection.")},
    };
    for (const auto& [url, message] : failures) {
        SCOPED_TRACE(url.toStdString());
        messages.shown.clear();
        w->Text->setText(url);
        w->bbUpdate->setCaption(kArmed);
        clickOn(w->bbUpdate);
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].title, QStringLiteral("错误"));
        EXPECT_EQ(messages.shown[0].icon, MessageBox::Icon::Error);
        EXPECT_EQ(messages.shown[0].text, message);
        EXPECT_EQ(w->bbUpdate->Caption(), kArmed);
        EXPECT_TRUE(w->Text->isEnabled());
        EXPECT_EQ(fileBytes("fmstacionet.dat"), before);
        EXPECT_EQ(folderEntries().size(), 3);
    }
}

TEST_F(ListUpdateTest, NotFoundNamesTheAddressInItsMessage)
{
    auto* w = radio();
    w->Text->setText(server.url("/missing/fmstacionet.dat"));
    w->bbUpdate->setCaption(kArmed);
    clickOn(w->bbUpdate);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.contains(server.url("/missing/fmstacionet.dat")));
}

TEST_F(ListUpdateTest, CancelDuringATransferKeepsTheListAndShowsNothing)
{
    const QByteArray before = fileBytes("fmstacionet.dat");
    serveSlowly("/slow/fmstacionet.dat");
    auto* w = radio();
    w->Text->setText(server.url("/slow/fmstacionet.dat"));
    w->bbUpdate->setCaption(kArmed);
    clickDuringTransfer(w->bbUpdate);
    QElapsedTimer clock;
    clock.start();
    clickOn(w->bbUpdate);
    EXPECT_LT(clock.elapsed(), 1500); // ended by the cancel, not by the body
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(w->bbUpdate->Caption(), kArmed);
    EXPECT_TRUE(w->Text->isEnabled());
    EXPECT_EQ(fileBytes("fmstacionet.dat"), before);
    EXPECT_EQ(folderEntries().size(), 3);
}

TEST_F(ListUpdateTest, AnAddressNamingNoFileFailsWithoutTouchingTheFolder)
{
    auto* w = radio();
    const QStringList before = folderEntries();
    for (const QString& url : {server.url("/lists/"), server.url("/lists/.."),
                               QStringLiteral("https://127.0.0.1:9/x.dat")}) {
        messages.shown.clear();
        w->Text->setText(url);
        w->bbUpdate->setCaption(kArmed);
        clickOn(w->bbUpdate);
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].text, kNoFileNameError);
        EXPECT_EQ(messages.shown[0].title, QStringLiteral("错误"));
        EXPECT_EQ(w->bbUpdate->Caption(), kArmed);
    }
    EXPECT_EQ(folderEntries(), before);
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST_F(ListUpdateTest, TvUpdateFetchesBothListsWithTwoMessages)
{
    auto* w = tv();
    w->Text->setText(server.url("/lists/tvstacionet.dat"));
    w->Text1->setText(server.url("/lists/tvadult.dat"));
    clickOn(w->bbUpdate);
    EXPECT_EQ(w->bbUpdate->Caption(), kArmed);
    clickOn(w->bbUpdate);
    ASSERT_EQ(messages.shown.size(), 2);
    for (const auto& m : messages.shown) {
        EXPECT_EQ(m.text, QStringLiteral("下载完毕: 请重新启动程序！"));
        EXPECT_EQ(m.title, QStringLiteral("成功"));
    }
    EXPECT_EQ(w->bbUpdate->Caption(), kIdle);
    EXPECT_TRUE(w->Text->isEnabled());
    EXPECT_FALSE(w->Text1->isEnabled()); // the adult box keeps its state
    EXPECT_TRUE(fileBytes("tvstacionet.dat").contains(gbkBytes(QStringLiteral("新电视"))));
    EXPECT_TRUE(fileBytes("tvadult.dat").contains(gbkBytes(QStringLiteral("新更多"))));
    EXPECT_EQ(w->tLista->count(), 1);
}

TEST_F(ListUpdateTest, TvUpdateWithEmptySecondAddressStopsWithTheFirstBoxDisabled)
{
    auto* w = tv();
    w->Text->setText(server.url("/lists/tvstacionet.dat"));
    w->Text1->setText(QStringLiteral("  "));
    w->bbUpdate->setCaption(kArmed);
    clickOn(w->bbUpdate);
    EXPECT_FALSE(w->Text->isEnabled());
    EXPECT_EQ(w->bbUpdate->Caption(), kArmed);
    EXPECT_EQ(server.connectionCount(), 0);
    clickOn(w->bbUpdate); // tries again: still nothing
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST_F(ListUpdateTest, TvSecondTransferRunsAfterAFailedFirstAndAClickCancelsIt)
{
    const QByteArray adultBefore = fileBytes("tvadult.dat");
    serveSlowly("/slow/tvadult.dat");
    auto* w = tv();
    w->Text->setText(server.url("/missing/tvstacionet.dat"));
    w->Text1->setText(server.url("/slow/tvadult.dat"));
    w->bbUpdate->setCaption(kArmed);
    // During the second transfer the caption reads "下载"; the click must cancel it, not start
    // another transfer on the same control.
    bool clicked = false; // once in this test, however often the test runs
    QObject scope;        // the handler ends with the test
    QObject::connect(w->FileDownloader, &FileDownloader::DownloadProgress, &scope, [&, w] {
        if (!clicked && w->bbUpdate->Caption() == kArmed) {
            clicked = true;
            clickDuringTransfer(w->bbUpdate, 0);
        }
    });
    clickOn(w->bbUpdate);
    ASSERT_EQ(messages.shown.size(), 1); // the 404 of the first
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("错误"));
    EXPECT_EQ(fileBytes("tvadult.dat"), adultBefore);
    EXPECT_EQ(w->bbUpdate->Caption(), kArmed);
    EXPECT_TRUE(w->Text->isEnabled());
    EXPECT_TRUE(w->Text1->isEnabled());
    EXPECT_EQ(server.requests().size(), 2);
}

TEST_F(ListUpdateTest, ThePlayerAndTheWindowStayUsableDuringADownload)
{
    serveSlowly("/slow/fmstacionet.dat", 10);
    auto* w = radio();
    w->Text->setText(server.url("/slow/fmstacionet.dat"));
    w->bbUpdate->setCaption(kArmed);
    w->rLista->setCurrentRow(0);
    bool played = false;
    QTimer::singleShot(150, w, [&, w] {
        w->rLista_DblClick();
        played = w->wmpr->URL() == "http://old/1";
        w->bbStop_Click();
    });
    clickOn(w->bbUpdate);
    EXPECT_TRUE(played);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("成功"));
}

TEST_F(ListUpdateTest, ClosingTheWindowDuringADownloadLeavesNothingHalfWritten)
{
    const QByteArray before = fileBytes("tvstacionet.dat");
    serveSlowly("/slow/tvstacionet.dat");
    auto* w = tv();
    QPointer<TvWindow> guard(w);
    w->Text->setText(server.url("/slow/tvstacionet.dat"));
    w->Text1->setText(server.url("/lists/tvadult.dat"));
    w->bbUpdate->setCaption(kArmed);
    QTimer::singleShot(150, w, [w] { clickOn(w->Label2[0]); });
    clickOn(w->bbUpdate);
    flushEvents();
    EXPECT_TRUE(guard.isNull());
    EXPECT_FALSE(forms.isLoaded("frmMainTV"));
    EXPECT_EQ(fileBytes("tvstacionet.dat"), before);
    EXPECT_EQ(server.requests().size(), 1); // no second transfer for a closed window
    EXPECT_EQ(folderEntries().size(), 3);
}
