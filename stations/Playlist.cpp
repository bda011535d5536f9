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

// True when the bytes are valid UTF-8. Checked piece by piece, each ending at a line end (never
// inside a character): the text is never held whole.
bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    constexpr qsizetype kPiece = 64 * 1024;
    for (qsizetype at = 0; at < bytes.size() && !utf8.hasError();) {
        qsizetype end = bytes.indexOf('\n', std::min(at + kPiece, bytes.size()));
        end = end < 0 ? bytes.size() : end + 1;
        const QString piece = utf8.decode(bytes.sliced(at, end - at)); // decodes only when kept
        at = end;
    }
    return !utf8.hasError();
}

// The lines of the bytes (CR, LF or CR LF end one), each cut to kMaxPlaylistLine bytes and
// decoded on its own, so that only one line's text is held at a time.
class Lines
{
public:
    Lines(QByteArrayView bytes, bool utf8)
        : m_bytes(bytes), m_utf8(utf8),
          m_decoder(utf8 ? "UTF-8" : "GBK", QStringDecoder::Flag::Stateless)
    {
        if (utf8 && m_bytes.startsWith("\xEF\xBB\xBF"))
            m_pos = 3;
    }

    bool next(QString& line)
    {
        if (m_pos > m_bytes.size())
            return false;
        qsizetype end = m_pos;
        while (end < m_bytes.size() && m_bytes[end] != '\n' && m_bytes[end] != '\r')
            ++end;
        qsizetype cut = std::min(end, m_pos + kMaxPlaylistLine);
        while (m_utf8 && cut < end && cut > m_pos && (uchar(m_bytes[cut]) & 0xC0) == 0x80)
            --cut; // not inside a character
        line = m_decoder.decode(m_bytes.sliced(m_pos, cut - m_pos));
        m_pos =
            end +
            (end + 1 < m_bytes.size() && m_bytes[end] == '\r' && m_bytes[end + 1] == '\n' ? 2 : 1);
        return true;
    }

    // The first line that is not blank, trimmed; the lines start over.
    QString first()
    {
        QString line;
        while (next(line)) {
            line = line.trimmed();
            if (!line.isEmpty())
                break;
        }
        rewind();
        return line;
    }

    void rewind() { m_pos = m_utf8 && m_bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0; }

private:
    QByteArrayView m_bytes;
    bool m_utf8;
    QStringDecoder m_decoder;
    qsizetype m_pos = 0;
};

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
        // Groups repeat across thousands of entries: one string each.
        if (!entry.group.isEmpty()) {
            const auto known = m_groups.constFind(entry.group);
            if (known != m_groups.cend())
                entry.group = *known;
            else
                m_groups.insert(entry.group);
        }
        read.entries.append(std::move(entry));
    }

    PlaylistRead read;

private:
    QUrl m_base;
    QSet<QString> m_groups;
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

void readM3u(Lines& lines, Builder& out)
{
    PlaylistEntry pending;
    QString extgrp;
    QString text;
    while (lines.next(text)) {
        const QStringView line = QStringView(text).trimmed();
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
void readPls(Lines& lines, Builder& out)
{
    std::map<int, PlaylistEntry> byNumber;
    QString text;
    while (lines.next(text)) {
        const QStringView line(text);
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
void readListFormat(Lines& lines, const QString& separator, Builder& out)
{
    QString text;
    while (lines.next(text)) {
        const QStringView line(text);
        const qsizetype at = line.indexOf(separator);
        if (at < 0 && !line.trimmed().isEmpty())
            ++out.read.notNetwork; // a station without an address, as the list's reader has it
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

// How many lines may be addresses (not blank, not a # line): room for the entries, reserved
// once rather than grown.
qsizetype addressLines(QByteArrayView bytes)
{
    qsizetype count = 0;
    bool lineStart = true;
    for (char c : bytes) {
        if (c == '\n' || c == '\r') {
            lineStart = true;
        } else if (lineStart && c != ' ' && c != '\t') {
            lineStart = false;
            count += c != '#';
        }
    }
    return count;
}

bool containsAnyCase(QByteArrayView bytes, QByteArrayView lower, QByteArrayView upper)
{
    return bytes.contains(lower) || bytes.contains(upper);
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
    Lines lines(bytes, isUtf8(bytes));
    const QString first = lines.first();

    if (first.startsWith(u"<")) {
        if (suffix == u"xspf" || first.startsWith(u"<?xml") || first.startsWith(u"<playlist")) {
            if (!containsAnyCase(bytes, "<html", "<HTML")) {
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
    // An HLS playlist is one stream, its lines are segments or variants: from the network the
    // stream itself is the station; a local one names nothing that plays.
    if (bytes.contains("#EXT-X-TARGETDURATION") || bytes.contains("#EXT-X-STREAM-INF")) {
        PlaylistEntry stream;
        stream.url = source;
        out.add(std::move(stream));
        if (out.read.entries.isEmpty())
            out.read.error = kNotPlaylist + QStringLiteral("（是 HLS 媒体流）");
        out.read.notNetwork = 0;
        return out.read;
    }
    const bool extended = first.startsWith(u"#EXTM3U", Qt::CaseInsensitive) ||
                          containsAnyCase(bytes, "#EXTINF:", "#extinf:");
    if (!extended) {
        for (const QString& separator : {kRadioSeparator, kTvSeparator}) {
            if (first.contains(separator)) {
                readListFormat(lines, separator, out);
                return out.read;
            }
        }
    }
    out.read.entries.reserve(addressLines(bytes));
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

// Bytes in UTF-8; a surrogate pair's two units make its four bytes.
qsizetype utf8Size(const QString& text)
{
    qsizetype bytes = 0;
    for (const QChar c : text)
        bytes += c.unicode() < 0x80 ? 1 : c.unicode() < 0x800 || c.isSurrogate() ? 2 : 3;
    return bytes;
}

void appendAttribute(QByteArray& out, const char* key, const QString& raw)
{
    QString value = raw; // quoted, so spaces at either end stay
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    if (value.isEmpty())
        return;
    char quote = '"';
    if (value.contains(u'"')) {
        if (value.contains(u'\''))
            value.replace(u'"', u'\'');
        else
            quote = '\'';
    }
    out += ' ';
    out += key;
    out += '=';
    out += quote;
    out += value.toUtf8();
    out += quote;
}

} // namespace

// Written as UTF-8 straight away: a whole list as UTF-16 first would cost twice its size again
// on the saving thread.
QByteArray writePlaylist(const QList<PlaylistEntry>& entries)
{
    QByteArray out("#EXTM3U\n");
    qsizetype size = out.size();
    for (const PlaylistEntry& entry : entries)
        size += 64 + utf8Size(entry.tvgId) + utf8Size(entry.tvgName) + utf8Size(entry.logo) +
                utf8Size(entry.group) + utf8Size(entry.name) + utf8Size(entry.url);
    out.reserve(size); // the fixed text of an entry takes under 64 bytes
    for (const PlaylistEntry& entry : entries) {
        out += "#EXTINF:-1";
        appendAttribute(out, "tvg-id", entry.tvgId);
        appendAttribute(out, "tvg-name", entry.tvgName);
        appendAttribute(out, "tvg-logo", entry.logo);
        appendAttribute(out, "group-title", entry.group);
        out += ',';
        out += oneLine(entry.name).toUtf8();
        out += '\n';
        out += oneLine(entry.url).toUtf8();
        out += '\n';
    }
    return out;
}

ImportCount planImport(const PlaylistRead& read, const QSet<QString>& urlsInList,
                       int stationsInList, int cap)
{
    ImportCount count;
    count.cap = cap;
    count.notNetwork = read.notNetwork;
    QSet<QString> seen;
    seen.reserve(read.entries.size());
    count.accepted.reserve(
        std::min<qsizetype>(read.entries.size(), std::max(0, cap - stationsInList)));
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
