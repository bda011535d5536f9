#include "windows/StationActions.h"

#include "listbox/StationListBox.h"
#include "stations/StationStore.h"
#include "tests/support/Recorders.h"
#include "windows/StationDialogs.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using namespace kelvane;
using namespace kelvane::test;

namespace {

// Answers as the listener would, one answer per question asked.
class Answers final : public StationDialogs
{
public:
    std::optional<TypedStation> editStation(QWidget*, const QString&, const TypedStation&) override
    {
        return typed;
    }
    bool confirm(QWidget*, const QString&, const QString&) override
    {
        ++confirmations;
        return yes;
    }
    QString importSource(QWidget*) override { return {}; }
    std::optional<Target> importTarget(QWidget*) override { return Target::Radio; }
    std::optional<std::pair<Export, QString>> exportTarget(QWidget*, const QString&) override
    {
        return exported;
    }
    std::optional<TypedStation> typed;
    bool yes = false;
    int confirmations = 0;
    std::optional<std::pair<Export, QString>> exported;
};

} // namespace

TEST(StationActionsTest, StarAddEditDeleteAndExportFromTheListsKeys)
{
    QTemporaryDir dir;
    QFile list(dir.filePath(kRadioListFile));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("A ==> http://a\r\nB ==> http://b\r\n");
    list.close();
    StationStore store(dir.path());
    store.load();
    RecordingMessageBox messages;
    Answers answers;
    AppServices services;
    services.programFolder = dir.path();
    services.messageBox = &messages;
    services.stations = &store;
    services.dialogs = &answers;
    QWidget window;
    window.resize(300, 200);
    auto* box = new StationListBox(&window);
    box->setGeometry(0, 0, 300, 200);
    StationActions actions(window, *box, ListKind::Radio, services);
    actions.load(loadStationList(list.fileName(), kRadioSeparator));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    box->setFocus();

    const auto select = [box](const char* name) {
        box->setCurrentRow(box->rowOf(box->findStation(QString::fromUtf8(name))));
    };
    const auto key = [box](int k, Qt::KeyboardModifiers m = {}) {
        QTest::keyClick(box, Qt::Key(k), m);
    };
    const struct
    {
        std::function<void()> step;
        QStringList rows;
        const char* message; // the box shown, if any
    } steps[] = {
        {[&] {
             select("B");
             key(Qt::Key_D, Qt::ControlModifier);
         },
         {"★ B", "A"},
         ""},
        {[&] {
             answers.typed = TypedStation{"我的", "http://mine"};
             key(Qt::Key_N, Qt::ControlModifier);
         },
         {"★ B", "A", "我的"},
         ""},
        {[&] {
             answers.typed = TypedStation{"又一个", "http://a"};
             key(Qt::Key_N, Qt::ControlModifier);
         },
         {"★ B", "A", "我的"},
         "列表中已有这个地址的电台。"},
        {[&] {
             select("我的");
             answers.typed = TypedStation{"我的二", "http://mine2"};
             actions.editAction->trigger();
         },
         {"★ B", "A", "我的二"},
         ""},
        {[&] {
             select("A");
             key(Qt::Key_Delete);
         },
         {"★ B", "A", "我的二"},
         ""}, // not its own
        {[&] {
             select("我的二");
             key(Qt::Key_Delete);
         },
         {"★ B", "A", "我的二"},
         ""}, // "no"
        {[&] {
             answers.exported = {StationDialogs::Export::List, dir.filePath("list.m3u8")};
             actions.exportAction->trigger();
         },
         {"★ B", "A", "我的二"},
         "已导出 3 个电台到 "},
        {[&] {
             answers.yes = true;
             key(Qt::Key_Delete);
         },
         {"★ B", "A"},
         ""},
        {[&] {
             select("B");
             key(Qt::Key_D, Qt::ControlModifier);
         },
         {"A", "B"},
         ""},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        messages.shown.clear();
        steps[i].step();
        QStringList rows;
        for (int row = 0; row < box->count(); ++row)
            rows.append(box->item(row)->text());
        EXPECT_EQ(rows, steps[i].rows) << i;
        const QString message = QString::fromUtf8(steps[i].message);
        EXPECT_EQ(messages.shown.size(), message.isEmpty() ? 0 : 1) << i;
        if (!message.isEmpty() && !messages.shown.isEmpty()) {
            EXPECT_TRUE(messages.shown[0].text.startsWith(message)) << i;
        }
    }
    EXPECT_EQ(answers.confirmations, 2);
    EXPECT_TRUE(store.own(ListKind::Radio).isEmpty());
    EXPECT_TRUE(store.favourites(ListKind::Radio).isEmpty());
    // The export reads back as the list it was.
    QFile exported(dir.filePath("list.m3u8"));
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const PlaylistRead read = readPlaylist(exported.readAll(), exported.fileName());
    QStringList names;
    for (const PlaylistEntry& e : read.entries)
        names.append(e.name + u' ' + e.url);
    EXPECT_EQ(names, (QStringList{"B http://b", "A http://a", "我的二 http://mine2"}));
}
