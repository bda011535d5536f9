#include "engine/StreamText.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace kelvane;

TEST(StreamTitleText, Utf8WhenValidElseGbk)
{
    EXPECT_EQ(decodeStreamTitle("Caf\xc3\xa9 - \xe6\xad\x8c"), QStringLiteral("Café - 歌"));
    QStringEncoder gbk("GBK");
    EXPECT_EQ(decodeStreamTitle(gbk.encode(QStringLiteral("周杰伦 - 晴天"))),
              QStringLiteral("周杰伦 - 晴天"));
}

TEST(StreamTitleText, DecodesCharacterReferences)
{
    const struct
    {
        const char* raw;
        QString text;
    } cases[] = {
        {"&#27979;&#35797;", QStringLiteral("测试")}, // as icecast sends a Chinese title
        {"&#x6D4B;&#X8BD5;", QStringLiteral("测试")},
        {"Tom &amp; Jerry &lt;live&gt; &quot;1&quot; &apos;2&apos;",
         "Tom & Jerry <live> \"1\" '2'"},
        {"&#128512;", QString::fromUcs4(U"\U0001F600", 1)},
        // Decoded once: an escaped reference stays a reference.
        {"&amp;#27979;", "&#27979;"},
        // Not references, or references to no character: left as they are.
        {"AT&T; R&B & more", "AT&T; R&B & more"},
        {"&#0; &#xD800; &#x110000; &#; &#x; &nbsp; &",
         "&#0; &#xD800; &#x110000; &#; &#x; &nbsp; &"},
        {"&#27979", "&#27979"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeStreamTitle(c.raw), c.text) << c.raw;
}

TEST(AsxPlaylist, FirstReferenceInAnyCase)
{
    EXPECT_EQ(firstAsxReference("<ASX version=\"3.0\"><Entry><REF HREF=\"mms://a/b\"/>"
                                "<ref href=\"http://c/d\"/></Entry></ASX>"),
              "mms://a/b");
    EXPECT_EQ(firstAsxReference("<asx><entry><Ref Href='http://x/y?a=1&amp;b=2' /></entry></asx>"),
              "http://x/y?a=1&b=2");
    // Not well-formed XML (bare '&'), as real ones often are.
    EXPECT_EQ(firstAsxReference("<asx><entry><ref href=\"http://x/y?a=1&b=2\"></entry>"),
              "http://x/y?a=1&b=2");
    EXPECT_EQ(firstAsxReference("<asx><entry><title>no ref</title></entry></asx>"), "");
    EXPECT_EQ(firstAsxReference("<asx><entry><reference href=\"http://no\"/></entry></asx>"), "");
    EXPECT_TRUE(looksLikeAsx("http://a/b/Live.ASX"));
    EXPECT_TRUE(looksLikeAsx("http://a/b/live.asx?x=1"));
    EXPECT_FALSE(looksLikeAsx("http://a/b/live.asx.mp3"));
}
