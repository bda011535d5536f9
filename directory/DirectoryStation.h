#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kelvane {

// One station as the open station directory describes it, cleaned for showing: names are plain
// text, and only stations with a network address to play are kept.
struct DirectoryStation
{
    QString uuid; // stationuuid: what the click call names
    QString name;
    QString url;
    QString urlResolved; // empty when the directory gave none, or not a network address
    QString homepage;
    QString tags;
    QString country;
    QString countryCode;
    QString language;
    QString codec;
    int bitrate = 0; // kbit/s, 0 unknown
    bool hls = false;
    bool lastCheckOk = true; // false: the directory's last check of the stream failed
    int votes = 0;
    qint64 clickCount = 0;

    // What to play: the resolved address, else the listed one.
    QString playAddress() const { return urlResolved.isEmpty() ? url : urlResolved; }
};

// Drops control characters and direction marks (a name must not turn the text around it) and
// cuts the text at maxChars characters, never inside a character.
QString plainText(const QString& text, int maxChars = 256);

// The station array of a search answer; nullopt when the answer is not one (not JSON, not an
// array, or no element a station could be read from). At most maxStations are taken.
std::optional<QList<DirectoryStation>> parseStations(const QByteArray& json, int maxStations = 100);

// The server names of /json/servers, usable as host names, each once, in the answer's order;
// nullopt when the answer is not such a list.
std::optional<QStringList> parseServers(const QByteArray& json);

// The address a click call answered with (url_resolved, else url), if it is a network address;
// empty otherwise.
QString parseClickAnswer(const QByteArray& json);

} // namespace kelvane
