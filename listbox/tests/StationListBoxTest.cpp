#include "listbox/StationListBox.h"
#include "catalogue/StationList.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace kelvane;

namespace {

class StationListBoxTest : public ::testing::Test
{
protected:
    StationListBoxTest()
    {
        box.resize(273, 112);
        box.fillList(Stations{{QStringLiteral("音乐之声"), QStringLiteral("中国之声"),
                               QStringLiteral("BBC World"), QStringLiteral("经济之声")},
                              {"http://127.0.0.1:9/music", "http://127.0.0.1:9/voice",
                               "http://127.0.0.1:9/bbc", "http://127.0.0.1:9/money"}});
        box.show();
    }

    // Types into the list as a listener does: the first key opens the field, the rest go there.
    void type(const QString& text)
    {
        if (box.isFiltering())
            box.filterField()->clear();
        QTest::keyClick(box.isFiltering() ? static_cast<QWidget*>(box.filterField()) : &box,
                        text.at(0).toLatin1());
        QTest::keyClicks(box.filterField(), text.mid(1));
    }

    QStringList shown() const
    {
        QStringList names;
        for (int row = 0; row < box.count(); ++row) {
            const QListWidgetItem* item = box.item(row);
            const bool grey = item->data(Qt::ForegroundRole).isValid();
            names.append(item->text() + (grey ? u'~' + item->toolTip() : QString()));
        }
        return names;
    }

    // Every row as name~tooltip (the name alone without one).
    QStringList shownWithTips() const
    {
        QStringList rows;
        for (int row = 0; row < box.count(); ++row) {
            const QString tip = box.tipOf(row);
            rows.append(box.item(row)->text() + (tip.isEmpty() ? QString() : u'~' + tip));
        }
        return rows;
    }

    StationListBox box;
};

} // namespace

TEST_F(StationListBoxTest, TypingFiltersTheListAndEnterChoosesTheStationShown)
{
    box.setCurrentRow(2);
    const struct
    {
        const char* typed;
        QStringList shown;
        QString selected; // the selection stays when it still matches, else the first match
    } steps[] = {
        {"zhisheng", {"音乐之声", "中国之声", "经济之声"}, "音乐之声"},
        {"zgzs", {"中国之声"}, "中国之声"},
        {"xyz", {}, ""},
    };
    for (const auto& step : steps) {
        type(QString::fromUtf8(step.typed));
        ASSERT_TRUE(box.isFiltering());
        EXPECT_EQ(shown(), step.shown) << step.typed;
        const QListWidgetItem* current = box.currentItem();
        EXPECT_EQ(current != nullptr ? current->text() : QString(), step.selected) << step.typed;
    }

    // Enter chooses the match, with its own address, not the address of the row it stands in.
    QSignalSpy chosen(&box, &StationListBox::chosen);
    type(QStringLiteral("zgzs"));
    QTest::keyClick(box.filterField(), Qt::Key_Return);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].toInt(), 1);
    EXPECT_EQ(chosen[0][1].value<ListedStation>().url, QStringLiteral("http://127.0.0.1:9/voice"));

    // Esc shows the whole list again with the selection kept.
    QTest::keyClick(box.filterField(), Qt::Key_Escape);
    EXPECT_FALSE(box.isFiltering());
    ASSERT_EQ(box.count(), 4);
    EXPECT_EQ(box.currentRow(), 1);
}

TEST_F(StationListBoxTest, FilterAndMarks)
{
    box.setDead(1, QStringLiteral("无法播放：无法连接"));
    box.setDead(3, QStringLiteral("无法播放：未找到"));
    box.setDead(9, QStringLiteral("no such station"));
    // Each step, then what the list shows: name~reason for a grey station.
    const struct
    {
        std::function<void()> step;
        QStringList shown;
    } steps[] = {
        {[] {},
         {"音乐之声", "中国之声~无法播放：无法连接", "BBC World", "经济之声~无法播放：未找到"}},
        {[this] { type(QStringLiteral("zhisheng")); },
         {"音乐之声", "中国之声~无法播放：无法连接", "经济之声~无法播放：未找到"}},
        {[this] { box.setDead(1, QString()); },
         {"音乐之声", "中国之声", "经济之声~无法播放：未找到"}},
        {[this] { box.setDead(0, QStringLiteral("坏")); },
         {"音乐之声~坏", "中国之声", "经济之声~无法播放：未找到"}},
        {[this] { box.closeFilter(); },
         {"音乐之声~坏", "中国之声", "BBC World", "经济之声~无法播放：未找到"}},
        // A new list starts without marks.
        {[this] {
             box.fillList(Stations{{"A", "B"}, {"http://a", "http://b"}});
         },
         {"A", "B"}},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].step();
        EXPECT_EQ(shown(), steps[i].shown) << i;
    }
    EXPECT_EQ(box.addresses(), (QStringList{"http://a", "http://b"}));
    // Nothing read keeps the rows and forgets their addresses: no station is playable.
    box.setCurrentRow(0);
    box.fillList(std::nullopt);
    EXPECT_EQ(shown(), (QStringList{"A", "B"}));
    EXPECT_TRUE(box.addresses().isEmpty());
    EXPECT_FALSE(box.station(box.selectedPosition())->url.has_value());
}

TEST_F(StationListBoxTest, StarredFirstOwnStationsAndGroups)
{
    const auto st = [](const char* name, const char* url, const char* group = "") {
        ListedStation s;
        s.name = QString::fromUtf8(name);
        s.url = QString::fromLatin1(url);
        s.group = QString::fromUtf8(group);
        return s;
    };
    ListedStation own = st("自己的", "http://o", "新闻");
    own.own = true;
    box.setCurrentRow(0);
    // A favourite the list dropped (X) stays; one it holds (C) is listed once, at the top.
    box.fillStations({st("C-old", "http://c"), st("X", "http://x")},
                     {st("A", "http://a"), st("B", "http://b"), st("C", "http://c"), own});
    box.setCurrentRow(2);
    const qint64 a = box.keyOf(2);
    box.setDead(2, QStringLiteral("坏"));
    const struct
    {
        std::function<void()> step;
        QStringList shown; // a tooltip after ~
        QString selected;
    } steps[] = {
        {[] {}, {"★ C", "★ X", "A~坏", "B", "自己的~分组：新闻"}, "A~坏"},
        {[this] { EXPECT_EQ(box.setStarred(3, true), 2); }, // B: after the starred ones
         {"★ C", "★ X", "★ B", "A~坏", "自己的~分组：新闻"},
         "A~坏"},
        {[this] { EXPECT_EQ(box.setStarred(0, false), 3); }, // C: back to its place
         {"★ X", "★ B", "A~坏", "C", "自己的~分组：新闻"},
         "A~坏"},
        {[this] { EXPECT_EQ(box.setStarred(0, false), -1); }, // X: gone with its star
         {"★ B", "A~坏", "C", "自己的~分组：新闻"},
         "A~坏"},
        {[this] { type(QStringLiteral("xinwen")); }, {"自己的~分组：新闻"}, "自己的~分组：新闻"},
        {[this] { EXPECT_EQ(box.setStarred(3, true), 1); },
         {"★ 自己的~分组：新闻"},
         "★ 自己的~分组：新闻"},
        {[this] { box.closeFilter(); },
         {"★ B", "★ 自己的~分组：新闻", "A~坏", "C"},
         "★ 自己的~分组：新闻"},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].step();
        const QStringList rows = shownWithTips();
        EXPECT_EQ(rows, steps[i].shown) << i;
        EXPECT_EQ(rows.value(box.currentRow()), steps[i].selected) << i;
    }
    // What a position holds follows the rows: the address sequence, keys, names.
    EXPECT_EQ(box.addresses(), (QStringList{"http://b", "http://o", "http://a", "http://c"}));
    EXPECT_EQ(box.positionOf(a), 2);
    EXPECT_EQ(box.findStation("C"), 3);
    EXPECT_TRUE(box.station(1)->own);
    // A new fill keeps failure marks and the selection by address; old keys find nothing.
    box.setCurrentRow(2);
    box.fillStations({}, {st("B", "http://b"), st("A", "http://a")});
    EXPECT_EQ(shownWithTips(), (QStringList{"B", "A~坏"}));
    EXPECT_EQ(box.currentRow(), 1);
    EXPECT_EQ(box.positionOf(a), -1);

    // A full list makes room for the listener's stations at the server's end.
    QList<ListedStation> full;
    for (int i = 0; i < kMaxStations; ++i)
        full.append(st("S", "http://s"));
    full.append(own);
    box.fillStations({st("X", "http://x")}, full);
    EXPECT_EQ(box.stationCount(), kMaxStations);
    EXPECT_TRUE(box.station(kMaxStations - 1)->own);
    EXPECT_TRUE(box.station(0)->starred);
}
