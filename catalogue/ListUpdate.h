#pragma once

#include <QString>

namespace kelvane {

// The file name an http:// URL ends in: its last path segment (query text included) when that
// holds a dot before its last character; otherwise the empty text. The prefix is matched exactly.
QString FileNameFromURL(const QString& url);

// True for a name that can only mean a file directly inside a folder: not empty, not "." or "..",
// no "/" or "\" and no control characters.
bool isPlainFileName(const QString& name);

// Removes leading and trailing U+0020 spaces only; tabs and other white space stay.
QString trimSpaces(QStringView text);

// The message of an update whose address names no file to save.
inline const QString kNoFileNameError =
    QStringLiteral("The list address does not end in a file name; nothing was downloaded.");

} // namespace kelvane
