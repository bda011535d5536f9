// The directory and history windows wired into the program: a stand-in directory on the loopback
// answering from recorded JSON, the radio window's player, the listener's history and stations.
#include "windows/DirectoryWindow.h"
#include "app/tests/AppFixture.h"
#include "stations/History.h"
#include "stations/StationStore.h"
#include "tests/support/HttpTestServer.h"
#include "windows/HistoryWindow.h"
#include "windows/RadioWindow.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

using namespace kelvane;
using namespace kelvane::test;

namespace {

class DirectoryWindowTest : public AppFixture
{
protected:
    DirectoryWindowTest()
    {
        const QByteArray base = "http://127.0.0.1:" + QByteArray::number(server.port());
        const auto recorded = [&base](const char* name) {
            QFile file(QStringLiteral(KELVANE_DIRECTORY_DATA "/") + QLatin1String(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            return file.readAll().replace("{{BASE}}", base).replace("{{LONG}}", "Long");
        };
        stations = recorded("search.json");
        server.setReply("/json/servers", HttpTestServer::ok("[]"));
        server.setReply("/json/url/960e57c5-0601-11e8-ae97-52543be04c81",
                        HttpTestServer::ok(recorded("click.json")));
        server.setHandler("/json/stations/search", [this](QTcpSocket* socket, const auto&) {
            socket->write(failing ? HttpTestServer::response(500, "X", {"Content-Length: 0"})
                                  : HttpTestServer::response(
                                        200, "OK",
                                        {"Content-Length: " + QByteArray::number(stations.size())},
                                        stations));
            socket->disconnectFromHost();
        });
        services.directoryUrl = server.url(QStringLiteral("/"));
        services.history = &history;
        services.stations = &store;
        registerForms(forms, services); // anew, with these services

        writeList("fmstacionet.dat", QStringLiteral("列表电台 ==> http://127.0.0.1:9/list.mp3"));
    }
    ~DirectoryWindowTest() override
    {
        forms.unloadAll();
        flushEvents();
    }

    RadioWindow* radio() { return formAs<RadioWindow>(QStringLiteral("frmMain")); }
    // A key as the listener presses it: its window has the keyboard (shortcuts need that).
    static void press(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = {})
    {
        w->window()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w->window()));
        QTest::keyClick(w, key, mods);
    }

    HttpTestServer server;
    QByteArray stations;
    bool failing = false;
    History history{folder.path()};
    StationStore store{folder.path()};
};

} // namespace

TEST_F(DirectoryWindowTest, SearchPlaysAndKeepsAFoundStation)
{
    forms.show(QStringLiteral("frmMain"));
    press(radio(), Qt::Key_F, Qt::ControlModifier);
    auto* dir = formAs<DirectoryWindow>(QStringLiteral("frmDirectory"));
    ASSERT_NE(dir, nullptr);
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == dir->searchField(); }));

    // Typed as an input method hands over Chinese text: one key event carrying it.
    QTest::sendKeyEvent(QTest::Press, dir->searchField(), Qt::Key_unknown, QStringLiteral("中国"),
                        Qt::NoModifier);
    press(dir->searchField(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return dir->results()->topLevelItemCount() == 3; }));
    EXPECT_EQ(QApplication::focusWidget(), dir->results());
    EXPECT_EQ(dir->results()->currentItem(), dir->results()->topLevelItem(0));
    const QTreeWidgetItem* row = dir->results()->topLevelItem(1);
    EXPECT_EQ(row->text(0), QStringLiteral("经典音乐台"));
    EXPECT_EQ(row->text(3), QStringLiteral("64 kbps"));
    EXPECT_NE(row->foreground(0), dir->results()->topLevelItem(0)->foreground(0)); // greyed

    // Enter: the click call, then the address it answered in the radio window's player and the
    // history.
    press(dir->results(), Qt::Key_Return);
    const QString clicked = server.url(QStringLiteral("/live/voc-clicked.mp3"));
    ASSERT_TRUE(waitUntil([&] { return radio()->wmpr->URL() == clicked; }));
    ASSERT_FALSE(history.entries().isEmpty());
    EXPECT_EQ(history.entries().first().url, clicked);

    // Ctrl+D keeps the selected one among the listener's radio stations, starred.
    press(dir->results(), Qt::Key_Down);
    press(dir->results(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(
        store.isFavourite(ListKind::Radio, server.url(QStringLiteral("/live/classic.aac"))));

    press(dir->results(), Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return !forms.isLoaded(QStringLiteral("frmDirectory")); }));
}

TEST_F(DirectoryWindowTest, AFailedSearchSaysSoAndKeepsTheWindowAsItWas)
{
    auto* dir = dynamic_cast<DirectoryWindow*>(forms.show(QStringLiteral("frmDirectory")));
    dir->search();
    ASSERT_TRUE(waitUntil([&] { return dir->results()->topLevelItemCount() == 3; }));
    failing = true;
    press(dir->searchField(), Qt::Key_Return);
    ASSERT_TRUE(
        waitUntil([&] { return dir->statusText().startsWith(DirectoryClient::kUnreachable); }));
    EXPECT_EQ(dir->results()->topLevelItemCount(), 3);
    EXPECT_TRUE(history.entries().isEmpty());
    EXPECT_TRUE(store.favourites(ListKind::Radio).isEmpty());
    failing = false;
    dir->search(); // still usable
    ASSERT_TRUE(waitUntil([&] { return dir->statusText() == QStringLiteral("找到 3 个电台"); }));
}

TEST_F(DirectoryWindowTest, HistoryOpensOnTheMostRecentAndPlaysItAgain)
{
    forms.show(QStringLiteral("frmMain"));
    radio()->rLista->setCurrentRow(0);
    radio()->rLista_DblClick(); // a station from the list goes to the history too
    history.add({QStringLiteral("目录电台"), QStringLiteral("http://127.0.0.1:9/dir.mp3"),
                 ListKind::Radio, QDateTime::currentDateTimeUtc()});
    ASSERT_EQ(history.entries().size(), 2);
    EXPECT_EQ(history.entries().at(1).url, "http://127.0.0.1:9/list.mp3");

    Q_EMIT radio()->wmpr->historyRequested(); // the compact bar's "最近播放"
    auto* recent = formAs<HistoryWindow>(QStringLiteral("frmHistory"));
    ASSERT_NE(recent, nullptr);
    recent->Unload();
    press(radio(), Qt::Key_H, Qt::ControlModifier);
    recent = formAs<HistoryWindow>(QStringLiteral("frmHistory"));
    ASSERT_NE(recent, nullptr);
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == recent->list(); }));
    EXPECT_EQ(recent->list()->currentItem(), recent->list()->topLevelItem(0));

    press(recent->list(), Qt::Key_Down);
    press(recent->list(), Qt::Key_Return);
    EXPECT_EQ(radio()->wmpr->URL(), "http://127.0.0.1:9/list.mp3");
    EXPECT_EQ(history.entries().first().url, "http://127.0.0.1:9/list.mp3"); // moved to the top
    EXPECT_EQ(recent->list()->topLevelItem(0)->text(1), QStringLiteral("列表电台"));

    recent->clear();
    EXPECT_EQ(recent->list()->topLevelItemCount(), 0);
    EXPECT_TRUE(history.entries().isEmpty());
}
