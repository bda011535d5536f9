#include "catalogue/StationList.h"

#include "catalogue/ListUpdate.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace kelvane {

namespace {

bool isBlank(QStringView text)
{
    for (QChar c : text)
        if (c != u' ')
            return false;
    return true;
}

// Adds the station of one line, if the line holds one.
void addLine(QStringView line, const QString& separator, Stations& out)
{
    if (isBlank(line))
        return;
    const qsizetype first = line.indexOf(separator);
    if (first == 0)
        return; // begins with the separator: no name
    if (first < 0) {
        out.names.append(trimSpaces(line));
        out.urls.append(QString());
        return;
    }
    const qsizetype urlBegin = first + separator.size();
    qsizetype urlEnd = line.indexOf(separator, urlBegin);
    if (urlEnd < 0)
        urlEnd = line.size();
    out.urls.append(trimSpaces(line.sliced(urlBegin, urlEnd - urlBegin)));
    out.names.append(trimSpaces(line.first(first)));
}

} // namespace

StationListParser::StationListParser(const QString& separator)
    : m_separator(separator), m_decoder("GBK", QStringDecoder::Flag::Stateless)
{}

bool StationListParser::isFull() const
{
    return m_stations.names.size() >= kMaxStations;
}

void StationListParser::line(QByteArrayView bytes)
{
    // Line ends are found in the bytes: no GBK trail byte is a CR or an LF, so each line decodes
    // on its own, and a lead byte cut off at a line's end becomes a replacement character.
    // The decoder drops an incomplete sequence at the very end of its input: a line end after
    // the text makes it a replacement character instead.
    m_lineBytes.clear();
    m_lineBytes.append(bytes.data(), bytes.size());
    m_lineBytes.append('\n');
    QString text = m_decoder.decode(m_lineBytes);
    text.chop(1);
    addLine(text, m_separator, m_stations);
}

bool StationListParser::feed(QByteArrayView bytes)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size() && !isFull(); ++i) {
        const char c = bytes[i];
        if (m_afterCr) {
            m_afterCr = false;
            if (c == '\n') { // the LF of a CR LF
                start = i + 1;
                continue;
            }
        }
        if (c != '\r' && c != '\n')
            continue;
        if (m_partial.isEmpty()) {
            line(bytes.sliced(start, std::min(i - start, kMaxLineBytes)));
        } else {
            appendPartial(bytes.sliced(start, i - start));
            line(m_partial);
            m_partial.clear();
        }
        m_afterCr = c == '\r';
        start = i + 1;
    }
    if (!isFull() && start < bytes.size())
        appendPartial(bytes.sliced(start));
    return !isFull();
}

void StationListParser::appendPartial(QByteArrayView bytes)
{
    // A line longer than any station needs keeps its beginning: memory stays bounded whatever
    // the file holds.
    const qsizetype room = kMaxLineBytes - m_partial.size();
    if (room > 0)
        m_partial.append(bytes.first(std::min(room, bytes.size())));
}

Stations StationListParser::finish(bool fileEnded)
{
    if (fileEnded && !isFull() && !m_partial.isEmpty())
        line(m_partial); // the last line needs no line end
    m_partial.clear();
    return std::move(m_stations);
}

Stations parseStationList(QByteArrayView bytes, const QString& separator)
{
    StationListParser parser(separator);
    parser.feed(bytes);
    return parser.finish(true);
}

std::optional<Stations> loadStationList(const QString& path, const QString& separator)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return std::nullopt;

    // Only a regular file is opened: a pipe or device in its place could block the load forever.
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return Stations{};
    // Read piece by piece, and no further than the list box can hold. A failing read keeps the
    // lines read before it: only whole lines count unless the file ended.
    StationListParser parser(separator);
    bool ended = false;
    // A full list is a few megabytes: past this much the file is no list, and the window must
    // not wait on reading it.
    constexpr qint64 kMaxReadBytes = 64 * 1024 * 1024;
    qint64 read = 0;
    while (read < kMaxReadBytes) {
        char buffer[65536];
        const qint64 n = file.read(buffer, sizeof buffer);
        if (n < 0)
            break;
        if (n == 0) {
            ended = true;
            break;
        }
        read += n;
        if (!parser.feed(QByteArrayView(buffer, n)))
            break;
    }
    return parser.finish(ended);
}

QString programFilePath(const QString& programFolder, const QString& fileName)
{
    return programFolder + u'/' + fileName;
}

} // namespace kelvane
