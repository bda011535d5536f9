#include "stations/Playlist.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

namespace kelvane {
void PrintTo(const PlaylistEntry& e, std::ostream* os)
{
    *os << '{' << e.name.toStdString() << " | " << e.url.toStdString() << " | "
        << e.group.toStdString() << " | " << e.tvgId.toStdString() << " | "
        << e.tvgName.toStdString() << " | " << e.logo.toStdString() << '}';
}
} // namespace kelvane

namespace {

using kelvane::PlaylistEntry;
using kelvane::PlaylistRead;

QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

PlaylistEntry station(const QString& name, const QString& url, const QString& group = {})
{
    return PlaylistEntry{name, url, group, {}, {}, {}};
}

// Past the cap: a 16 MiB file whose last line ends just inside it, then one more station.
QByteArray overTheCap()
{
    const QByteArray in = "http://in.example/\n";
    QByteArray bytes = "#EXTM3U\n#";
    bytes += QByteArray(kelvane::kMaxPlaylistBytes - bytes.size() - in.size() - 1, 'x') + '\n';
    return bytes + in + "http://out.example/\n";
}

struct ReadCase
{
    const char* label;
    QByteArray bytes;
    QString source;
    QList<PlaylistEntry> entries;
    int notNetwork = 0;
    bool error = false;
};

TEST(Playlist, ReadsEveryFormatAndEdgeCase)
{
    const QString longName(100000, u'长');
    const ReadCase cases[] = {
        {"extended, double quotes",
         "#EXTM3U x-tvg-url=\"http://e.example/epg.xml\"\n#EXTINF:-1 tvg-id=\"cctv1.cn\" "
         "tvg-name=\"CCTV1\" tvg-logo=\"http://l.example/1.png\" group-title=\"央视\",CCTV-1 "
         "综合\nhttp://tv.example/cctv1.m3u8\n",
         "a.m3u8",
         {{"CCTV-1 综合", "http://tv.example/cctv1.m3u8", "央视", "cctv1.cn", "CCTV1",
           "http://l.example/1.png"}}},
        {"single quotes, bare value, commas in quotes and in the name",
         "#EXTINF:-1 TVG-ID=abc group-title='新闻, 综合' tvg-name=\"a,b\",Name, with comma\r\n"
         "http://r.example/a\r\n",
         "a.m3u",
         {{"Name, with comma", "http://r.example/a", "新闻, 综合", "abc", "a,b", ""}}},
        {"duration and name only; tvg-name when the name is empty; EXTGRP; options skipped",
         "#EXTM3U\n#EXTINF:123,Artist - Title\nhttp://r.example/1\n#EXTINF:-1 "
         "tvg-name=\"TV Name\",\n#EXTVLCOPT:http-user-agent=x\nhttp://r.example/2\n"
         "#EXTINF:-1,Grouped\n#EXTGRP:音乐\nhttp://r.example/3\n",
         "list.m3u",
         {station("Artist - Title", "http://r.example/1"),
          {"TV Name", "http://r.example/2", "", "", "TV Name", ""},
          station("Grouped", "http://r.example/3", "音乐")}},
        {"plain M3U, named from the address",
         "http://r.example:8000/live.mp3\n\nmms://m.example/s\n",
         "x.m3u",
         {station("r.example:8000/live.mp3", "http://r.example:8000/live.mp3"),
          station("m.example/s", "mms://m.example/s")}},
        {"relative and file: entries from a local file",
         "#EXTM3U\nsong.mp3\n../a/b.aac\nfile:///music/x.mp3\n/abs.mp3\nhttp://r.example/\n",
         "/home/u/list.m3u8",
         {station("r.example", "http://r.example/")},
         4},
        {"relative entries of a playlist from the network",
         "#EXTINF:-1,Rel\nlive/a.aac\n",
         "http://p.example/lists/x.m3u",
         {station("Rel", "http://p.example/lists/live/a.aac")}},
        {"PLS with numbering gaps, in number order",
         "[playlist]\nFile10=http://p.example/10\nFile1=http://p.example/1\nTitle3=Three\n"
         "File3=http://p.example/3\nLength3=-1\nFile4=smb://share/x\nNumberOfEntries=9\n"
         "Version=2\n",
         "",
         {station("p.example/1", "http://p.example/1"), station("Three", "http://p.example/3"),
          station("p.example/10", "http://p.example/10")},
         1},
        {"XSPF",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlist version=\"1\" "
         "xmlns=\"http://xspf.org/ns/0/\"><trackList><track><location>http://x.example/a"
         "</location><title>甲 &amp; 乙</title><image>http://x.example/a.png</image></track>"
         "<track><location>file:///x.ogg</location></track></trackList></playlist>",
         "x.xspf",
         {{"甲 & 乙", "http://x.example/a", "", "", "", "http://x.example/a.png"}},
         1},
        {"UTF-8 with BOM, CR-only lines",
         "\xEF\xBB\xBF#EXTM3U\r#EXTINF:-1,电台一\rhttp://r.example/1\r",
         "a.m3u",
         {station("电台一", "http://r.example/1")}},
        {"GBK text",
         gbk("#EXTM3U\n#EXTINF:-1 group-title=\"音乐\",中国之声\nhttp://r.example/gbk\n"),
         "a.m3u",
         {station("中国之声", "http://r.example/gbk", "音乐")}},
        {"the list format, GBK",
         gbk("中国之声 ==> http://r.example/z\n坏的 ==> c:\\x.mp3\n"),
         "fmstacionet.dat",
         {station("中国之声", "http://r.example/z")},
         1},
        {"an over-long line is cut",
         "#EXTINF:-1," + longName.toUtf8() + "\nhttp://r.example/long\n",
         "a.m3u",
         {station(longName.left(kelvane::kMaxPlaylistLine - 11), "http://r.example/long")}},
        {"past 16 MiB nothing is read",
         overTheCap(),
         "big.m3u",
         {station("in.example", "http://in.example/")}},
        {"empty", "  \n", "a.m3u", {}, 0, true},
        {"a web page", "<!DOCTYPE html><html><body>404</body></html>", "a.m3u", {}, 0, true},
        {"binary", QByteArray("ID3\x03\0\0\0\0", 8), "a.mp3", {}, 0, true},
        {"plain text without addresses", "hello\nworld\n", "notes.txt", {}, 0, true},
        {"broken XSPF", "<?xml version=\"1.0\"?><playlist><trackList>", "a.xspf", {}, 0, true},
    };
    for (const ReadCase& c : cases) {
        const PlaylistRead read = kelvane::readPlaylist(c.bytes, c.source);
        EXPECT_EQ(read.entries, c.entries) << c.label;
        EXPECT_EQ(read.notNetwork, c.notNetwork) << c.label;
        EXPECT_EQ(!read.error.isEmpty(), c.error) << c.label << ": " << read.error.toStdString();
    }
}

TEST(Playlist, WrittenPlaylistReadsBackUnchanged)
{
    const QList<PlaylistEntry> entries = {
        {"CCTV-1, 综合", "http://tv.example/1.m3u8", "央视;新闻", "cctv1", "CCTV1",
         "http://l.example/1.png"},
        {"Say \"hi\"", "rtmp://r.example/live", "it's", "", "a \"b\"", ""},
        {"Both ' and \"", "https://r.example/x?a=1&b=2", "", "", "", ""},
    };
    const QByteArray written = kelvane::writePlaylist(entries);
    EXPECT_TRUE(written.startsWith("#EXTM3U\n#EXTINF:-1 tvg-id=\"cctv1\" tvg-name=\"CCTV1\" "
                                   "tvg-logo=\"http://l.example/1.png\" group-title=\"央视;新闻\","
                                   "CCTV-1, 综合\nhttp://tv.example/1.m3u8\n"));
    const PlaylistRead read = kelvane::readPlaylist(written, QStringLiteral("out.m3u8"));
    EXPECT_EQ(read.entries, entries);
    EXPECT_EQ(kelvane::writePlaylist(read.entries), written);
}

TEST(Playlist, ImportSkipsAndSaysWhy)
{
    PlaylistRead read;
    read.notNetwork = 2;
    for (const char* url : {"http://a/", "http://b/", "http://a/", "http://c/", "http://d/"})
        read.entries.append(station(url, url));
    const kelvane::ImportCount count = kelvane::planImport(read, {"http://b/"}, 32765);
    EXPECT_EQ(count.accepted, (QList<PlaylistEntry>{station("http://a/", "http://a/"),
                                                    station("http://c/", "http://c/")}));
    EXPECT_EQ(kelvane::importReport(count),
              "已导入 2 个电台，跳过 5 个：2 个不是网络地址，2 个重复，1 个超过列表上限 32767");
    EXPECT_EQ(kelvane::importReport(kelvane::planImport(read, {}, 0)),
              "已导入 4 个电台，跳过 3 个：2 个不是网络地址，1 个重复");
}

} // namespace
