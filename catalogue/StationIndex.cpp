#include "catalogue/StationIndex.h"

#include <QHash>

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <memory>
#include <mutex>

namespace kelvane {

namespace {

bool isHan(char32_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x20000 && c <= 0x2EBEF) || (c >= 0xF900 && c <= 0xFAFF);
}

// One syllable per Han character, from ICU's Han-Latin transliteration without tone marks.
// Station names repeat few characters: each is transliterated once per program run, and the
// characters new to a list in one call (ICU's cost is mostly per call). Shared by the lists'
// background builds, hence the lock.
class Syllables
{
public:
    // Looks up every Han character of the names not seen before.
    void learn(const QStringList& names)
    {
        std::lock_guard lock(m_mutex);
        QList<char32_t> fresh;
        for (const QString& name : names) {
            for (const char32_t c : name.toUcs4()) {
                if (isHan(c) && !m_cache.contains(c)) {
                    m_cache.insert(c, QString()); // once in fresh
                    fresh.append(c);
                }
            }
        }
        if (fresh.isEmpty() || !transliterator())
            return;
        icu::UnicodeString text;
        for (const char32_t c : std::as_const(fresh)) {
            text.append(static_cast<UChar32>(c));
            text.append(static_cast<UChar>(u'\n'));
        }
        transliterator()->transliterate(text);
        qsizetype next = 0;
        QString syllable;
        for (int32_t i = 0; i < text.length() && next < fresh.size(); ++i) {
            const UChar u = text.charAt(i);
            if (u == u'\n') {
                m_cache.insert(fresh.at(next++), syllable);
                syllable.clear();
            } else if (u >= 'a' && u <= 'z') {
                syllable.append(QChar(u));
            }
        }
    }

    QString of(char32_t c) const
    {
        std::lock_guard lock(m_mutex);
        return m_cache.value(c);
    }

private:
    icu::Transliterator* transliterator()
    {
        if (!m_tried) {
            m_tried = true;
            UErrorCode status = U_ZERO_ERROR;
            m_translit.reset(icu::Transliterator::createInstance(
                icu::UnicodeString::fromUTF8("Han-Latin; Latin-ASCII; Lower"), UTRANS_FORWARD,
                status));
            if (U_FAILURE(status))
                m_translit.reset();
        }
        return m_translit.get();
    }

    mutable std::mutex m_mutex;
    bool m_tried = false;
    std::unique_ptr<icu::Transliterator> m_translit;
    QHash<char32_t, QString> m_cache;
};

Syllables& syllables()
{
    static Syllables s;
    return s;
}

} // namespace

StationIndex::Spelling StationIndex::spell(const QString& name)
{
    syllables().learn({name});
    return spellKnown(name);
}

StationIndex::Spelling StationIndex::spellKnown(const QString& name)
{
    Spelling s;
    s.pinyin.reserve(name.size() * 4);
    bool wordStart = true; // a latin word gives its first letter to the initials
    for (const char32_t c : name.toUcs4()) {
        if (isHan(c)) {
            const QString syllable = syllables().of(c);
            if (!syllable.isEmpty()) {
                s.pinyin += syllable;
                s.initials += syllable.front();
            }
            wordStart = true;
            continue;
        }
        const bool letterOrDigit = QChar::isLetterOrNumber(c);
        if (letterOrDigit) {
            const char32_t lower = QChar::toLower(c);
            const QString text = QString::fromUcs4(&lower, 1);
            s.pinyin += text;
            if (wordStart)
                s.initials += text;
        }
        wordStart = !letterOrDigit;
    }
    return s;
}

QList<StationIndex::Entry> StationIndex::entriesOf(const QStringList& names)
{
    syllables().learn(names);
    QList<Entry> entries;
    entries.reserve(names.size());
    for (const QString& name : names) {
        Spelling s = spellKnown(name);
        entries.append({name.toLower(), std::move(s.pinyin), std::move(s.initials)});
    }
    return entries;
}

StationIndex::~StationIndex()
{
    if (m_pending.valid())
        m_pending.wait();
}

void StationIndex::build(const QStringList& names)
{
    if (m_pending.valid())
        m_pending.wait();
    m_pending = {};
    m_entries = entriesOf(names);
}

void StationIndex::buildInBackground(const QStringList& names)
{
    if (m_pending.valid())
        m_pending.wait();
    m_entries.clear();
    m_pending = std::async(std::launch::async, [names] { return entriesOf(names); });
}

const QList<StationIndex::Entry>& StationIndex::entries() const
{
    if (m_pending.valid())
        m_entries = m_pending.get();
    return m_entries;
}

qsizetype StationIndex::size() const
{
    return entries().size();
}

QList<int> StationIndex::match(const QString& typed) const
{
    const QList<Entry>& all = entries();
    const QString needle = typed.trimmed().toLower();
    QList<int> found;
    found.reserve(needle.isEmpty() ? all.size() : 64);
    // Spaces typed between pinyin syllables are not in the spelling.
    QString joined = needle;
    joined.remove(u' ');
    for (int i = 0; i < all.size(); ++i) {
        const Entry& e = all.at(i);
        if (needle.isEmpty() || e.name.contains(needle) ||
            (!joined.isEmpty() && (e.pinyin.contains(joined) || e.initials.contains(joined))))
            found.append(i);
    }
    return found;
}

} // namespace kelvane
