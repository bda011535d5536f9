#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <future>

namespace kelvane {

// Finds stations by what a listener types: a case-insensitive piece of the name, of its pinyin
// ("zhongguo") or of its pinyin initials ("zgzs"). Built once per list load; a key typed only
// searches.
class StationIndex
{
public:
    StationIndex() = default;
    StationIndex(const StationIndex&) = delete;
    StationIndex& operator=(const StationIndex&) = delete;
    ~StationIndex();

    void build(const QStringList& names);
    // Returns at once and builds on a worker thread (the first build of a run starts ICU, a
    // noticeable moment); the first search waits for it.
    void buildInBackground(const QStringList& names);
    qsizetype size() const;
    // The stations that match, in list order; all of them for an empty text.
    QList<int> match(const QString& typed) const;

    // The pinyin of a name and its initials, lower case without tones; other text kept as it is
    // (lower case). "中国之声" gives "zhongguozhisheng" and "zgzs".
    struct Spelling
    {
        QString pinyin;
        QString initials;
    };
    static Spelling spell(const QString& name);

private:
    struct Entry
    {
        QString name; // lower case
        QString pinyin;
        QString initials;
    };
    static Spelling spellKnown(const QString& name);
    static QList<Entry> entriesOf(const QStringList& names);
    const QList<Entry>& entries() const;

    mutable QList<Entry> m_entries;
    mutable std::future<QList<Entry>> m_pending;
};

} // namespace kelvane
