#include "stations/History.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using kelvane::History;
using kelvane::ListKind;
using kelvane::Played;

Played played(int n, ListKind kind = ListKind::Radio)
{
    return {QStringLiteral("电台 %1").arg(n), QStringLiteral("http://h.example/%1").arg(n), kind,
            QDateTime::fromSecsSinceEpoch(1700000000 + n, Qt::UTC)};
}

QStringList urls(const QList<Played>& entries)
{
    QStringList out;
    for (const Played& p : entries)
        out << p.url;
    return out;
}

TEST(History, OrderCapMoveToTopAndReload)
{
    QTemporaryDir dir;
    struct Step
    {
        QList<int> added;
        QList<int> expectedFirst; // the first entries after adding, most recent first
        qsizetype size;
    };
    const Step steps[] = {
        {{1, 2, 3}, {3, 2, 1}, 3},
        {{1}, {1, 3, 2}, 3},  // replayed: moves to the top, once
        {{-1}, {1, 3, 2}, 3}, // not a network address: not kept
    };
    History history(dir.path());
    history.load();
    for (const Step& step : steps) {
        for (int n : step.added) {
            Played p = played(n);
            if (n < 0)
                p.url = "file:///x.mp3";
            history.add(p);
        }
        QStringList expected;
        for (int n : step.expectedFirst)
            expected << played(n).url;
        EXPECT_EQ(urls(history.entries()).mid(0, expected.size()), expected);
        EXPECT_EQ(history.entries().size(), step.size);
    }
    for (int n = 10; n < 70; ++n)
        history.add(played(n, ListKind::Tv2));
    EXPECT_EQ(history.entries().size(), History::kMaxEntries);
    EXPECT_EQ(history.entries().front(), played(69, ListKind::Tv2));
    history.flush();
    History reloaded(dir.path());
    reloaded.load();
    EXPECT_EQ(reloaded.entries(), history.entries());
    reloaded.clear();
    reloaded.flush();
    History cleared(dir.path());
    cleared.load();
    EXPECT_TRUE(cleared.entries().isEmpty());
}

TEST(History, DamagedFileKeepsWhatReadsAsideAndSaysOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(History::fileName());
    const QByteArray damaged = "2023-11-14T22:13:21Z\tradio\thttp://h.example/1\t电台 1\n"
                               "garbage line\n"
                               "2023-11-14T22:13:22Z\ttv\thttp://h.example/2\t电台 2\n"
                               "2023-11-14T22:13:23Z\tradio\thttp://h.exa";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(damaged);
    }
    History history(dir.path());
    QSignalSpy problems(&history, &History::problem);
    history.load();
    history.add(played(3));
    history.flush();
    QCoreApplication::processEvents();
    EXPECT_EQ(problems.size(), 1);
    EXPECT_EQ(urls(history.entries()),
              (QStringList{played(3).url, played(1).url, "http://h.example/2"}));
    const QStringList aside = QDir(dir.path()).entryList({"*.损坏-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    QFile kept(dir.filePath(aside[0]));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), damaged);
    History reloaded(dir.path());
    reloaded.load();
    EXPECT_EQ(reloaded.entries(), history.entries());
}

} // namespace
