#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QListWidget;

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

// Parses list-file bytes (GBK text; CR LF, lone CR or lone LF end a line) into stations.
// Undecodable bytes become U+FFFD.
Stations ParseStationList(QByteArrayView bytes, const QString& separator);

// Loads one list file into a list box and its address sequence, as a window's load does:
// the addresses are emptied first; a missing file leaves both empty and the list box untouched;
// otherwise the list box is cleared and filled in file order. A file that can't be read leaves
// what was read so far. Never waits and never reports.
void LoadStationList(const QString& path, const QString& separator, QListWidget& list,
                     QStringList& urls);

// The program folder joined with a file name.
QString ProgramFilePath(const QString& programFolder, const QString& fileName);

} // namespace kelvane
