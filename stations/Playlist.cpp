#include "stations/Playlist.h"

#include "catalogue/ListUpdate.h"
#include "net/NetworkAddress.h"

#include <QStringDecoder>
#include <QUrl>

#include <map>
#include <pugixml.hpp>

namespace kelvane {

namespace {

const QString kNotPlaylist = QStringLiteral("不是播放列表");

// UTF-8 when the bytes are valid UTF-8 (a BOM is dropped), else GBK.
QString decodeText(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gbk("GBK", QStringDecoder::Flag::Stateless);
    return gbk.decode(bytes);
}

// The lines of the text (CR, LF or CR LF end one), each cut to kMaxPlaylistLine.
QList<QStringView> splitLines(QStringView text)
{
    QList<QStringView> lines;
    qsizetype begin = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\n' && text[i] != u'\r')
            continue;
        lines.append(text.sliced(begin, std::min(i - begin, kMaxPlaylistLine)));
        if (i + 1 < text.size() && text[i] == u'\r' && text[i + 1] == u'\n')
            ++i;
        begin = i + 1;
    }
    return lines;
}

// A name for an entry that came without one: the address without its scheme.
QString nameFromAddress(const QString& url)
{
    QString name = QUrl(url).toDisplayString(QUrl::RemoveScheme | QUrl::RemoveUserInfo |
                                             QUrl::StripTrailingSlash);
    while (name.startsWith(u'/'))
        name.remove(0, 1);
    while (name.endsWith(u'/'))
        name.chop(1);
    return name.isEmpty() ? url : name;
}

class Builder
{
public:
    explicit Builder(const QUrl& source)
    {
        if (net::isNetworkAddress(source))
            m_base = source;
    }

    void add(PlaylistEntry entry)
    {
        entry.url = entry.url.trimmed();
        QUrl url(entry.url);
        if (url.isRelative() && m_base.isValid() && !entry.url.isEmpty()) {
            url = m_base.resolved(url);
            entry.url = url.toString();
        }
        if (!net::isNetworkAddress(url)) {
            ++read.notNetwork;
            return;
        }
        entry.name = entry.name.trimmed();
        if (entry.name.isEmpty())
            entry.name = entry.tvgName.isEmpty() ? nameFromAddress(entry.url) : entry.tvgName;
        read.entries.append(std::move(entry));
    }

    PlaylistRead read;

private:
    QUrl m_base;
};

// #EXTINF:-1 key="value" key='value' key=value,Display name
void parseExtinf(QStringView line, PlaylistEntry& entry)
{
    line = line.sliced(8); // "#EXTINF:"
    // The name starts after the first comma outside quotes (or, with unbalanced quotes, after the
    // first comma at all).
    qsizetype comma = -1;
    QChar quote;
    for (qsizetype i = 0; i < line.size() && comma < 0; ++i) {
        const QChar c = line[i];
        if (!quote.isNull())
            quote = c == quote ? QChar() : quote;
        else if (c == u'"' || c == u'\'')
            quote = c;
        else if (c == u',')
            comma = i;
    }
    if (comma < 0)
        comma = line.indexOf(u',');
    const QStringView head = comma < 0 ? line : line.first(comma);
    if (comma >= 0)
        entry.name = line.sliced(comma + 1).trimmed().toString();

    qsizetype i = 0;
    while (i < head.size() && !head[i].isSpace())
        ++i; // the duration
    while (i < head.size()) {
        while (i < head.size() && head[i].isSpace())
            ++i;
        const qsizetype keyBegin = i;
        while (i < head.size() && head[i] != u'=' && !head[i].isSpace())
            ++i;
        const QStringView key = head.sliced(keyBegin, i - keyBegin);
        if (i >= head.size() || head[i] != u'=')
            continue;
        ++i;
        QStringView value;
        if (i < head.size() && (head[i] == u'"' || head[i] == u'\'')) {
            const QChar q = head[i++];
            qsizetype end = head.indexOf(q, i);
            if (end < 0)
                end = head.size();
            value = head.sliced(i, end - i);
            i = std::min(end + 1, head.size());
        } else {
            const qsizetype begin = i;
            while (i < head.size() && !head[i].isSpace())
                ++i;
            value = head.sliced(begin, i - begin);
        }
        if (key.compare(u"tvg-id", Qt::CaseInsensitive) == 0)
            entry.tvgId = value.toString();
        else if (key.compare(u"tvg-name", Qt::CaseInsensitive) == 0)
            entry.tvgName = value.toString();
        else if (key.compare(u"tvg-logo", Qt::CaseInsensitive) == 0)
            entry.logo = value.toString();
        else if (key.compare(u"group-title", Qt::CaseInsensitive) == 0)
            entry.group = value.toString();
    }
}

void readM3u(const QList<QStringView>& lines, Builder& out)
{
    PlaylistEntry pending;
    QString extgrp;
    for (QStringView line : lines) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(u"#EXTINF:", Qt::CaseInsensitive)) {
            pending = PlaylistEntry();
            parseExtinf(line, pending);
        } else if (line.startsWith(u"#EXTGRP:", Qt::CaseInsensitive)) {
            extgrp = line.sliced(8).trimmed().toString();
        } else if (!line.startsWith(u'#')) {
            pending.url = line.toString();
            if (pending.group.isEmpty())
                pending.group = extgrp;
            out.add(std::move(pending));
            pending = PlaylistEntry();
            extgrp.clear();
        }
    }
}

// [playlist] FileN= TitleN= ...; the numbers can have gaps and come in any order.
void readPls(const QList<QStringView>& lines, Builder& out)
{
    std::map<int, PlaylistEntry> byNumber;
    for (QStringView line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QStringView key = line.first(eq).trimmed();
        const QString value = line.sliced(eq + 1).trimmed().toString();
        bool ok = false;
        if (key.startsWith(u"file", Qt::CaseInsensitive)) {
            const int n = key.sliced(4).toInt(&ok);
            if (ok)
                byNumber[n].url = value;
        } else if (key.startsWith(u"title", Qt::CaseInsensitive)) {
            const int n = key.sliced(5).toInt(&ok);
            if (ok)
                byNumber[n].name = value;
        }
    }
    for (auto& [n, entry] : byNumber) {
        if (!entry.url.isEmpty())
            out.add(std::move(entry));
    }
}

// playlist/trackList/track with location and title (and image as the logo).
QString readXspf(QByteArrayView bytes, Builder& out)
{
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(bytes.data(), size_t(bytes.size()));
    if (!parsed)
        return QStringLiteral("XSPF 播放列表无法解析（%1）")
            .arg(QString::fromUtf8(parsed.description()));
    const pugi::xml_node tracks = doc.child("playlist").child("trackList");
    if (!doc.child("playlist"))
        return kNotPlaylist + QStringLiteral("（XML 中没有 playlist）");
    for (pugi::xml_node track : tracks.children("track")) {
        PlaylistEntry entry;
        entry.name = QString::fromUtf8(track.child_value("title"));
        entry.logo = QString::fromUtf8(track.child_value("image")).trimmed();
        entry.url = QString::fromUtf8(track.child_value("location"));
        out.add(std::move(entry));
    }
    return {};
}

// name ==> address, name ||> address.
void readListFormat(const QList<QStringView>& lines, const QString& separator, Builder& out)
{
    for (QStringView line : lines) {
        const qsizetype at = line.indexOf(separator);
        if (at <= 0)
            continue;
        const qsizetype urlBegin = at + separator.size();
        qsizetype urlEnd = line.indexOf(separator, urlBegin);
        if (urlEnd < 0)
            urlEnd = line.size();
        PlaylistEntry entry;
        entry.name = trimSpaces(line.first(at));
        entry.url = trimSpaces(line.sliced(urlBegin, urlEnd - urlBegin));
        out.add(std::move(entry));
    }
}

// A path or an address (a one-letter scheme is a drive letter, not a scheme).
QUrl sourceUrl(const QString& source)
{
    const QUrl url(source);
    return url.scheme().size() > 1 ? url : QUrl::fromLocalFile(source);
}

QStringView firstLine(const QList<QStringView>& lines)
{
    for (QStringView line : lines) {
        if (!line.trimmed().isEmpty())
            return line.trimmed();
    }
    return {};
}

} // namespace

PlaylistRead readPlaylist(const QByteArray& whole, const QString& source)
{
    const QUrl sourceAddress = sourceUrl(source);
    Builder out(sourceAddress);
    QByteArrayView bytes(whole);
    if (bytes.trimmed().isEmpty()) {
        out.read.error = QStringLiteral("播放列表是空的");
        return out.read;
    }
    if (bytes.size() > kMaxPlaylistBytes) {
        // Past the cap: the last line, cut in the middle, is dropped.
        bytes = bytes.first(kMaxPlaylistBytes);
        const qsizetype end = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
        bytes = bytes.first(std::max<qsizetype>(end, 0));
    }
    if (bytes.trimmed().isEmpty()) {
        out.read.error = kNotPlaylist + QStringLiteral("（没有完整的一行）");
        return out.read;
    }
    if (bytes.first(std::min<qsizetype>(bytes.size(), 4096)).contains('\0')) {
        out.read.error = kNotPlaylist + QStringLiteral("（二进制数据）");
        return out.read;
    }
    const QString suffix = sourceAddress.fileName().section(u'.', -1).toLower();
    const QString text = decodeText(bytes);
    const QList<QStringView> lines = splitLines(text);
    const QStringView first = firstLine(lines);

    if (first.startsWith(u"<")) {
        if (suffix == u"xspf" || first.startsWith(u"<?xml") || first.startsWith(u"<playlist")) {
            if (!text.contains(u"<html", Qt::CaseInsensitive)) {
                out.read.error = readXspf(bytes, out);
                return out.read;
            }
        }
        out.read.error = kNotPlaylist + QStringLiteral("（是网页或其他 XML）");
        return out.read;
    }
    if (first.compare(u"[playlist]", Qt::CaseInsensitive) == 0 || suffix == u"pls") {
        readPls(lines, out);
        if (out.read.entries.isEmpty() && out.read.notNetwork == 0 &&
            first.compare(u"[playlist]", Qt::CaseInsensitive) != 0)
            out.read.error = kNotPlaylist + QStringLiteral("（PLS 中没有 File 项）");
        return out.read;
    }
    const bool extended = first.startsWith(u"#EXTM3U", Qt::CaseInsensitive) ||
                          text.contains(u"#EXTINF:", Qt::CaseInsensitive);
    if (!extended) {
        for (const QString& separator : {kRadioSeparator, kTvSeparator}) {
            if (first.contains(separator)) {
                readListFormat(lines, separator, out);
                return out.read;
            }
        }
    }
    readM3u(lines, out);
    // Plain text that names no network address at all is not taken for an M3U playlist.
    if (!extended && suffix != u"m3u" && suffix != u"m3u8" && out.read.entries.isEmpty()) {
        out.read.notNetwork = 0;
        out.read.error = kNotPlaylist + QStringLiteral("（没有找到电台地址）");
    }
    return out.read;
}

namespace {

QString oneLine(QString text)
{
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    return text.trimmed();
}

void appendAttribute(QString& out, QLatin1StringView key, const QString& raw)
{
    QString value = oneLine(raw);
    if (value.isEmpty())
        return;
    QChar quote = u'"';
    if (value.contains(u'"')) {
        if (value.contains(u'\''))
            value.replace(u'"', u'\'');
        else
            quote = u'\'';
    }
    out += u' ' + key + u'=' + quote + value + quote;
}

} // namespace

QByteArray writePlaylist(const QList<PlaylistEntry>& entries)
{
    QString out = QStringLiteral("#EXTM3U\n");
    out.reserve(entries.size() * 160);
    for (const PlaylistEntry& entry : entries) {
        out += u"#EXTINF:-1";
        appendAttribute(out, QLatin1StringView("tvg-id"), entry.tvgId);
        appendAttribute(out, QLatin1StringView("tvg-name"), entry.tvgName);
        appendAttribute(out, QLatin1StringView("tvg-logo"), entry.logo);
        appendAttribute(out, QLatin1StringView("group-title"), entry.group);
        out += u',' + oneLine(entry.name) + u'\n' + oneLine(entry.url) + u'\n';
    }
    return out.toUtf8();
}

ImportCount planImport(const PlaylistRead& read, const QSet<QString>& urlsInList,
                       int stationsInList, int cap)
{
    ImportCount count;
    count.cap = cap;
    count.notNetwork = read.notNetwork;
    QSet<QString> seen;
    for (const PlaylistEntry& entry : read.entries) {
        if (urlsInList.contains(entry.url) || seen.contains(entry.url)) {
            ++count.duplicate;
        } else if (stationsInList + count.accepted.size() >= cap) {
            ++count.overCap;
        } else {
            seen.insert(entry.url);
            count.accepted.append(entry);
        }
    }
    return count;
}

QString importReport(const ImportCount& count)
{
    QString report = QStringLiteral("已导入 %1 个电台").arg(count.accepted.size());
    QStringList skipped;
    if (count.notNetwork > 0)
        skipped << QStringLiteral("%1 个不是网络地址").arg(count.notNetwork);
    if (count.duplicate > 0)
        skipped << QStringLiteral("%1 个重复").arg(count.duplicate);
    if (count.overCap > 0)
        skipped << QStringLiteral("%1 个超过列表上限 %2").arg(count.overCap).arg(count.cap);
    if (!skipped.isEmpty()) {
        const int total = count.notNetwork + count.duplicate + count.overCap;
        report += QStringLiteral("，跳过 %1 个：").arg(total) + skipped.join(QStringLiteral("，"));
    }
    return report;
}

} // namespace kelvane
