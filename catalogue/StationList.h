#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <optional>

namespace kelvane {

// Separators of the list files.
inline const QString kRadioSeparator = QStringLiteral("==>");
inline const QString kTvSeparator = QStringLiteral("||>");

// File names in the program folder.
inline const QString kRadioListFile = QStringLiteral("fmstacionet.dat");
inline const QString kTvListFile = QStringLiteral("tvstacionet.dat");
inline const QString kAdultListFile = QStringLiteral("tvadult.dat");

// A list box holds at most this many entries (its positions are signed 16-bit).
inline constexpr int kMaxStations = 32767;

struct Stations
{
    QStringList names; // display names, file order
    QStringList urls;  // urls[i] belongs to names[i]
};

// Reads list-file bytes (GBK text; CR LF, lone CR or lone LF end a line) as they come, piece by
// piece, into stations, up to kMaxStations; undecodable bytes become U+FFFD. Memory stays
// bounded by the stations kept: a line is kept to its first kMaxLineBytes.
class StationListParser
{
public:
    static constexpr qsizetype kMaxLineBytes = 64 * 1024;

    explicit StationListParser(const QString& separator);
    // False once the list is full: nothing more is needed.
    bool feed(QByteArrayView bytes);
    // The stations read. With fileEnded a last line without a line end counts too; otherwise
    // (a read failed) a cut line is dropped.
    Stations finish(bool fileEnded);

private:
    bool isFull() const;
    void line(QByteArrayView bytes);
    void appendPartial(QByteArrayView bytes);

    QString m_separator;
    QStringDecoder m_decoder;
    QByteArray m_partial; // the start of a line whose end has not come yet
    QByteArray m_lineBytes;
    bool m_afterCr = false;
    Stations m_stations;
};

// Parses a whole list file's bytes.
Stations parseStationList(QByteArrayView bytes, const QString& separator);

// Reads one list file as a window's load does. Nothing (std::nullopt) when the file is missing
// or a folder stands in its place: the window keeps the list box as it is. A file that is not a
// regular file or cannot be opened gives an empty list; one whose read fails gives the stations
// read so far. Never waits and never reports.
std::optional<Stations> loadStationList(const QString& path, const QString& separator);

// The program folder joined with a file name.
QString programFilePath(const QString& programFolder, const QString& fileName);

} // namespace kelvane
