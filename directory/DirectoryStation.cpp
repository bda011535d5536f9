#include "directory/DirectoryStation.h"

#include "net/NetworkAddress.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QSet>
#include <QUrl>

#include <cmath>
#include <limits>

namespace kelvane {

namespace {

bool isDirectionMark(char32_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// A text field: strings as they are, numbers written out; anything else is not text.
std::optional<QString> textOf(const QJsonValue& value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 15);
    if (value.isNull() || value.isUndefined())
        return QString();
    return std::nullopt;
}

// Numbers arrive as numbers or as strings, depending on the mirror.
qint64 numberOf(const QJsonValue& value)
{
    double d = 0;
    if (value.isDouble())
        d = value.toDouble();
    else if (value.isString())
        d = value.toString().trimmed().toDouble();
    else if (value.isBool())
        d = value.toBool() ? 1 : 0;
    if (!std::isfinite(d) || d < 0)
        return 0;
    return static_cast<qint64>(std::min(d, 1e15));
}

bool flagOf(const QJsonValue& value, bool absent)
{
    if (value.isUndefined() || value.isNull())
        return absent;
    if (value.isBool())
        return value.toBool();
    if (value.isString()) {
        const QString s = value.toString().trimmed().toLower();
        return s == u"1" || s == u"true";
    }
    return numberOf(value) != 0;
}

QString networkAddress(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.size() > 4096)
        return {};
    return net::isNetworkAddress(QUrl(trimmed, QUrl::StrictMode)) ? trimmed : QString();
}

std::optional<QJsonDocument> document(const QByteArray& json)
{
    QJsonParseError error;
    QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    return doc;
}

// Letters, digits, dots and hyphens, as a host name has: a name cannot carry a path, a port or
// credentials into the address built from it.
bool isHostName(const QString& name)
{
    if (name.isEmpty() || name.size() > 253 || name.startsWith(u'-') || name.startsWith(u'.') ||
        name.contains(QLatin1String("..")))
        return false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                        (u >= '0' && u <= '9') || u == '.' || u == '-';
        if (!ok)
            return false;
    }
    return true;
}

std::optional<DirectoryStation> stationOf(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const QJsonValue uuid = o.value(QLatin1String("stationuuid"));
    const QJsonValue name = o.value(QLatin1String("name"));
    const QJsonValue url = o.value(QLatin1String("url"));
    if (!name.isString() || !url.isString() || !(uuid.isString() || uuid.isUndefined()))
        return std::nullopt;

    DirectoryStation s;
    s.url = networkAddress(url.toString());
    s.urlResolved = networkAddress(textOf(o.value(QLatin1String("url_resolved"))).value_or(""));
    if (s.url.isEmpty()) {
        if (s.urlResolved.isEmpty())
            return std::nullopt; // nothing this program may play
        s.url = s.urlResolved;
    }
    s.uuid = uuid.toString().trimmed().left(64);
    s.name = plainText(name.toString());
    if (s.name.isEmpty())
        s.name = plainText(s.url);
    const auto field = [&o](const char* key, int maxChars) {
        return plainText(textOf(o.value(QLatin1String(key))).value_or(QString()), maxChars);
    };
    s.homepage = networkAddress(textOf(o.value(QLatin1String("homepage"))).value_or(""));
    s.tags = field("tags", 256);
    s.country = field("country", 64);
    s.countryCode = field("countrycode", 8);
    s.language = field("language", 64);
    s.codec = field("codec", 16);
    s.bitrate = static_cast<int>(std::min<qint64>(numberOf(o.value(QLatin1String("bitrate"))),
                                                  std::numeric_limits<int>::max()));
    s.hls = flagOf(o.value(QLatin1String("hls")), false);
    s.lastCheckOk = flagOf(o.value(QLatin1String("lastcheckok")), true);
    s.votes = static_cast<int>(std::min<qint64>(numberOf(o.value(QLatin1String("votes"))),
                                                std::numeric_limits<int>::max()));
    s.clickCount = numberOf(o.value(QLatin1String("clickcount")));
    return s;
}

} // namespace

QString plainText(const QString& text, int maxChars)
{
    QString out;
    out.reserve(std::min<qsizetype>(text.size(), maxChars));
    int count = 0;
    for (auto it = text.cbegin(); it != text.cend() && count < maxChars; ++it) {
        char32_t c = it->unicode();
        const bool pair =
            it->isHighSurrogate() && it + 1 != text.cend() && (it + 1)->isLowSurrogate();
        if (pair)
            c = QChar::surrogateToUcs4(*it, *(it + 1));
        const bool drop = (!pair && it->isSurrogate()) ||
                          QChar::category(c) == QChar::Other_Control || isDirectionMark(c);
        if (!drop) {
            out.append(*it);
            if (pair)
                out.append(*(it + 1));
            ++count;
        }
        if (pair)
            ++it;
    }
    return out.trimmed();
}

std::optional<QList<DirectoryStation>> parseStations(const QByteArray& json, int maxStations)
{
    const std::optional<QJsonDocument> doc = document(json);
    if (!doc || !doc->isArray())
        return std::nullopt;
    const QJsonArray array = doc->array();
    QList<DirectoryStation> stations;
    stations.reserve(std::min<qsizetype>(array.size(), maxStations));
    bool anyRead = false;
    for (const QJsonValue& value : array) {
        if (stations.size() >= maxStations)
            break;
        if (std::optional<DirectoryStation> s = stationOf(value)) {
            stations.append(std::move(*s));
            anyRead = true;
        }
    }
    // An empty array is an answer (no station matched); a full one with nothing readable is not.
    if (!array.isEmpty() && !anyRead)
        return std::nullopt;
    return stations;
}

std::optional<QStringList> parseServers(const QByteArray& json)
{
    const std::optional<QJsonDocument> doc = document(json);
    if (!doc || !doc->isArray())
        return std::nullopt;
    QStringList names;
    QSet<QString> seen;
    for (const QJsonValue& value : doc->array()) {
        const QString name = value.toObject().value(QLatin1String("name")).toString().trimmed();
        if (!isHostName(name))
            continue;
        if (seen.contains(name.toLower()))
            continue;
        seen.insert(name.toLower());
        names.append(name);
        if (names.size() >= 32)
            break;
    }
    return names;
}

QString parseClickAnswer(const QByteArray& json)
{
    const std::optional<QJsonDocument> doc = document(json);
    if (!doc || !doc->isObject())
        return {};
    const QJsonObject o = doc->object();
    for (const char* key : {"url_resolved", "url"}) {
        const QString address = networkAddress(o.value(QLatin1String(key)).toString());
        if (!address.isEmpty())
            return address;
    }
    return {};
}

} // namespace kelvane
