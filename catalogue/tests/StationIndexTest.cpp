#include "catalogue/StationIndex.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kelvane;

TEST(StationIndexTest, FindsByNamePinyinAndInitials)
{
    StationIndex index;
    index.build({QStringLiteral("中国之声"), QStringLiteral("音乐之声"),
                 QStringLiteral("CNR 经济之声"), QStringLiteral("BBC World Service"),
                 QStringLiteral("Radio 1")});
    const struct
    {
        const char* typed;
        std::vector<int> found; // not QList: comparing two empty QLists passes null to memcmp
    } cases[] = {
        {"zgzs", {0}},         {"zhongguo", {0}},       {"ZhongGuo", {0}},
        {"zhong guo", {0}},    {"之声", {0, 1, 2}},     {"zhisheng", {0, 1, 2}},
        {"cjjzs", {2}},        {"cnr jing", {2}},       {"world serv", {3}},
        {"bws", {3}},          {"radio 1", {4}},        {"xyz", {}},
        {"", {0, 1, 2, 3, 4}}, {"  ", {0, 1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        const QList<int> found = index.match(QString::fromUtf8(c.typed));
        EXPECT_EQ(std::vector<int>(found.cbegin(), found.cend()), c.found) << c.typed;
    }
}

TEST(StationIndexTest, SpellsHanWithoutTonesAndKeepsOtherText)
{
    const StationIndex::Spelling s = StationIndex::spell(QStringLiteral("CNR中国之声FM"));
    EXPECT_EQ(s.pinyin, QStringLiteral("cnrzhongguozhishengfm"));
    EXPECT_EQ(s.initials, QStringLiteral("czgzsf"));
}
