#include "engine/StreamText.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

namespace kelvane {

namespace {

QString decodeBytes(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gbk("GBK", QStringDecoder::Flag::Stateless);
    return gbk.decode(bytes);
}

// The character a reference body (between '&' and ';') stands for, or -1.
char32_t referenceValue(QStringView body)
{
    static const struct
    {
        const char16_t* name;
        char32_t value;
    } named[] = {{u"amp", U'&'}, {u"lt", U'<'}, {u"gt", U'>'}, {u"quot", U'"'}, {u"apos", U'\''}};
    for (const auto& n : named) {
        if (body == QStringView(n.name))
            return n.value;
    }
    if (body.size() < 2 || body[0] != u'#')
        return char32_t(-1);
    bool ok = false;
    const bool hex = body[1] == u'x' || body[1] == u'X';
    const QStringView digits = body.mid(hex ? 2 : 1);
    if (digits.isEmpty() || digits.size() > 8)
        return char32_t(-1);
    const uint value = digits.toUInt(&ok, hex ? 16 : 10);
    // No NUL, no lone surrogates, nothing past Unicode's end.
    if (!ok || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return char32_t(-1);
    return char32_t(value);
}

} // namespace

QString decodeCharacterReferences(const QString& text)
{
    if (!text.contains(u'&'))
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype amp = text.indexOf(u'&', i);
        if (amp < 0) {
            out += QStringView(text).mid(i);
            break;
        }
        out += QStringView(text).mid(i, amp - i);
        const qsizetype semi = text.indexOf(u';', amp + 1);
        const char32_t value = semi > amp && semi - amp <= 12
                                   ? referenceValue(QStringView(text).mid(amp + 1, semi - amp - 1))
                                   : char32_t(-1);
        if (value == char32_t(-1)) {
            out += u'&';
            i = amp + 1;
            continue;
        }
        out += QString::fromUcs4(&value, 1);
        i = semi + 1;
    }
    return out;
}

QString decodeStreamTitle(const QByteArray& bytes)
{
    return decodeCharacterReferences(decodeBytes(bytes));
}

bool looksLikeAsx(const QString& url)
{
    const QUrl parsed(url);
    return parsed.path().endsWith(QStringLiteral(".asx"), Qt::CaseInsensitive);
}

QString firstAsxReference(const QByteArray& xml)
{
    // Real asx files are often not well-formed XML (bare '&' in addresses), so a tolerant match
    // over the text is used rather than a strict parser.
    static const QRegularExpression ref(
        QStringLiteral(R"re(<\s*ref\b[^>]*?\bhref\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+)))re"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = ref.match(decodeBytes(xml));
    if (!m.hasMatch())
        return {};
    QString href = m.captured(1);
    if (href.isNull())
        href = m.captured(2);
    if (href.isNull())
        href = m.captured(3);
    return decodeCharacterReferences(href).trimmed();
}

} // namespace kelvane
