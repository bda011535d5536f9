#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace kelvane::downloader {

// A failure raised by the transfer component, the file system or the arithmetic of a transfer:
// a numeric code and an English description. Codes are errno values
// for file system and arithmetic failures and the transfer component's own numbers (from 35700) for
// network ones.
struct TransferError
{
    int code = 0;
    QString description;

    // The description of an errno value in English, whatever the locale.
    static TransferError fromErrno(int error);
};

// The exact texts that reach the host through DownloadEvents and DownloadErrors.
namespace messages {
inline QString gettingFileInformation()
{
    return QStringLiteral("Getting file information");
}
inline QString nothingToDownload()
{
    return QStringLiteral("Nothing to download!");
}
inline QString authorizationFailed()
{
    return QStringLiteral("Authorization failed!");
}
inline QString fileNotFound(const QString& url)
{
    return QStringLiteral("The file, \"") + url + QStringLiteral("\" was not found!");
}
inline QString cannotEstablishConnection()
{
    return QStringLiteral("Cannot establish connection.");
}
// firstLine: the header text up to and including its first CR, or "<nothing>".
inline QString serverResponse(const QString& firstLine)
{
    return QStringLiteral("The server returned the following response:\r\r") + firstLine;
}
inline QString notEnoughFreeSpace()
{
    return QStringLiteral("There is not enough free space on disk for this file.");
}
inline QString connectionReset()
{
    return QStringLiteral("The connection with the server was reset.");
}
// A body without a usable length that ran past the component's cap.
inline QString tooLarge()
{
    return QStringLiteral("The file is larger than 16 MiB and states no length; it was not saved.");
}
// A failure before the file is opened.
inline QString failure(const TransferError& error)
{
    return QStringLiteral("Error: ") + error.description + QStringLiteral(" occurred.");
}
// A failure while creating the folder, opening, writing or replacing the file.
inline QString cannotWrite(const TransferError& error)
{
    return QStringLiteral("Cannot write file to disk.\r\rError ") + QString::number(error.code) +
           QStringLiteral(": ") + error.description;
}
} // namespace messages

// Characters 10 to 12 (counting from 1) of the header text; fewer when the text is shorter.
QString statusField(const QString& headerText);

// The header text up to and including its first CR; "<nothing>" when it holds no CR.
QString firstHeaderLine(const QString& headerText);

// The refusal message for a status field, or nothing for "200" and "206" (go on).
std::optional<QString> refusalFor(const QString& statusField, const QString& headerText,
                                  const QString& url);

// The expected total from the text of the Content-Length header. Empty (no length known)
// when the text is empty or does not begin with a decimal number, and so when it is negative:
// such a body is framed by the end of the connection, and the control reads it to its end.
// Otherwise the leading decimal number (fraction and exponent included) brought to the nearest
// integer, ties to even; one that does not fit a signed 32-bit integer throws TransferError
// (ERANGE), which the control reports as a failure before the file is opened.
std::optional<std::int32_t> expectedTotalFrom(const QString& contentLength);

// Progress: received ÷ expected × 100 in double precision, to the nearest integer (ties to even);
// percentText writes it as decimal digits.
std::int64_t percentOf(std::int64_t received, std::int32_t expected);
QString percentText(std::int64_t received, std::int32_t expected);

// The folder part of a "/"-separated path: up to and including the last "/"; empty when there is
// none (the file then lives in the working folder and no folder is made).
QString folderPart(const QString& path);

} // namespace kelvane::downloader
