#pragma once

#include <QByteArray>
#include <QString>

namespace kelvane {

// Text of a stream title: UTF-8 when the bytes are valid UTF-8, else GBK; HTML character
// references decoded (icecast sends a Chinese title on an MP3 mount as "&#27979;&#35797;").
QString decodeStreamTitle(const QByteArray& bytes);
// Decodes numeric character references (&#27979; &#x6D4B;) and the five XML entities in one
// pass; anything else, and references to no valid character, stay as they are.
QString decodeCharacterReferences(const QString& text);
// The first <ref href> of an XML asx playlist (tag and attribute names in any case), or empty.
QString firstAsxReference(const QByteArray& xml);
// True when the address names an asx playlist by its extension.
bool looksLikeAsx(const QString& url);

} // namespace kelvane
