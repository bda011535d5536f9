#include "catalogue/StationList.h"

#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QStringDecoder>

namespace kelvane {

namespace {

// Only the space character is trimmed; tabs and other white space stay.
QString trimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin).toString();
}

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

Stations ParseStationList(QByteArrayView bytes, const QString& separator)
{
    // One decode for the whole file. A line end after the text makes the decoder give a
    // replacement character for a lead byte cut off at the very end, instead of dropping it.
    QStringDecoder decoder("GBK", QStringDecoder::Flag::Stateless);
    QByteArray terminated;
    terminated.reserve(bytes.size() + 1);
    terminated.append(bytes.data(), bytes.size());
    terminated.append('\n');
    const QString text = decoder.decode(terminated);

    Stations out;
    const QChar* begin = text.constData();
    const QChar* end = begin + text.size();
    const QChar* lineStart = begin;
    // CR LF, lone CR and lone LF end a line; the added line end closes the last line.
    for (const QChar* p = begin; p < end && out.names.size() < kMaxStations; ++p) {
        const char16_t c = p->unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        addLine(QStringView(lineStart, p), separator, out);
        if (c == u'\r' && p + 1 < end && p[1] == u'\n')
            ++p;
        lineStart = p + 1;
    }
    return out;
}

void LoadStationList(const QString& path, const QString& separator, QListWidget& list,
                     QStringList& urls)
{
    urls.clear();
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return;

    // Only a regular file is opened: a pipe or device in its place could block the load forever.
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        list.clear();
        return;
    }
    list.clear();
    // Read what can be read; a failing read keeps the lines read before it. Only whole lines
    // count unless the file ended: a line cut by a read error is dropped.
    QByteArray bytes;
    bool complete = true;
    for (;;) {
        char buffer[65536];
        const qint64 n = file.read(buffer, sizeof buffer);
        if (n < 0) {
            complete = false;
            break;
        }
        if (n == 0)
            break;
        bytes.append(buffer, n);
    }
    if (!complete) {
        const qsizetype lastEnd = std::max(bytes.lastIndexOf('\r'), bytes.lastIndexOf('\n'));
        bytes.truncate(lastEnd < 0 ? 0 : lastEnd + 1);
    }

    Stations stations = ParseStationList(bytes, separator);
    list.setUpdatesEnabled(false);
    list.addItems(stations.names);
    list.setUpdatesEnabled(true);
    urls = std::move(stations.urls);
}

QString ProgramFilePath(const QString& programFolder, const QString& fileName)
{
    return programFolder + u'/' + fileName;
}

} // namespace kelvane
