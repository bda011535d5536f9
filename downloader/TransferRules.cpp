#include "downloader/TransferRules.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

namespace kelvane::downloader {

TransferError TransferError::fromErrno(int error)
{
    // strerrordesc_np gives the English text; strerror would follow LC_MESSAGES.
    const char* text = strerrordesc_np(error);
    return {error,
            text ? QString::fromLatin1(text) : QStringLiteral("Unknown error %1").arg(error)};
}

QString statusField(const QString& headerText)
{
    return headerText.mid(9, 3);
}

QString firstHeaderLine(const QString& headerText)
{
    const qsizetype cr = headerText.indexOf(QLatin1Char('\r'));
    if (cr < 0)
        return QStringLiteral("<nothing>");
    return headerText.left(cr + 1);
}

std::optional<QString> refusalFor(const QString& status, const QString& headerText,
                                  const QString& url)
{
    if (status == QLatin1String("200") || status == QLatin1String("206"))
        return std::nullopt;
    if (status == QLatin1String("204"))
        return messages::nothingToDownload();
    if (status == QLatin1String("401"))
        return messages::authorizationFailed();
    if (status == QLatin1String("404"))
        return messages::fileNotFound(url);
    if (status == QLatin1String("\r\n"))
        return messages::cannotEstablishConnection();
    return messages::serverResponse(firstHeaderLine(headerText));
}

std::optional<std::int32_t> expectedTotalFrom(const QString& contentLength)
{
    // The leading decimal number: blanks, an optional "+", digits, an optional fraction and an
    // optional exponent. A text that does not begin with a digit (or a "." and a digit) holds no
    // length.
    const QByteArray text = contentLength.toLatin1();
    qsizetype i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && text[i] == '+')
        ++i;
    const auto isDigit = [&](qsizetype at) {
        return at < text.size() && text[at] >= '0' && text[at] <= '9';
    };
    qsizetype digits = 0;
    while (isDigit(i)) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (isDigit(i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (isDigit(j)) {
            while (isDigit(j))
                ++j;
            i = j;
        }
    }
    const QByteArray number = text.mid(start, i - start);
    bool ok = false;
    const double value = number.toDouble(&ok); // locale-independent
    if (!ok)
        throw TransferError::fromErrno(ERANGE);
    const double rounded = std::nearbyint(value); // the default rounding mode: ties to even
    if (!std::isfinite(rounded) || rounded > std::numeric_limits<std::int32_t>::max())
        throw TransferError::fromErrno(ERANGE);
    return static_cast<std::int32_t>(rounded);
}

std::int64_t percentOf(std::int64_t received, std::int32_t expected)
{
    const double percent =
        std::nearbyint(static_cast<double>(received) / static_cast<double>(expected) * 100.0);
    if (!std::isfinite(percent) || std::fabs(percent) > std::numeric_limits<std::int32_t>::max())
        throw TransferError::fromErrno(ERANGE);
    return static_cast<std::int64_t>(percent);
}

QString percentText(std::int64_t received, std::int32_t expected)
{
    return QString::number(percentOf(received, expected));
}

QString folderPart(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

} // namespace kelvane::downloader
