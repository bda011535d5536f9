#include "catalogue/ListUpdate.h"

namespace kelvane {

QString FileNameFromURL(const QString& url)
{
    // Positions below are 1-based, as the rule is written; the last character is never examined.
    const qsizetype n = url.size() - 1;
    if (n <= 0)
        return {};
    if (!url.startsWith(QStringLiteral("http://")))
        return {};
    if (url == u"http://")
        return {};
    qsizetype slash = 0;
    for (qsizetype pos = n; pos >= 1; --pos) {
        if (url[pos - 1] == u'/') {
            slash = pos;
            break;
        }
    }
    if (slash == 0)
        return {};
    const QString s = url.mid(slash);
    for (qsizetype pos = s.size() - 1; pos >= 1; --pos) {
        if (s[pos - 1] == u'.')
            return s;
    }
    return {};
}

bool isPlainFileName(const QString& name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    for (QChar c : name) {
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

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

} // namespace kelvane
