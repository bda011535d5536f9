#pragma once

#include "stations/BackgroundSaver.h"
#include "stations/StationStore.h"

#include <QDateTime>
#include <QObject>

namespace kelvane {

struct Played
{
    QString name, url;
    ListKind kind = ListKind::Radio;
    QDateTime started;
    friend bool operator==(const Played&, const Played&) = default;
};

// The last stations played, most recent first, kept in 最近播放.txt in the list folder: one line
// per station, "<start, ISO 8601 UTC>\t<radio|tv|tv2>\t<address>\t<name>", UTF-8.
class History : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxEntries = 50;
    static QString fileName();

    explicit History(const QString& folder, QObject* parent = nullptr);
    ~History() override; // waits for a pending save

    // A damaged or unreadable file: the lines that read are kept, the file is set aside under a
    // new name, and problem() says so once.
    void load();
    // To the top; the same address moves up; at most kMaxEntries. Only network addresses.
    void add(const Played& played);
    void clear();
    QList<Played> entries() const { return m_entries; }
    void flush(); // waits until every change is on disk

Q_SIGNALS:
    void changed();
    void problem(const QString& message);

private:
    void save();

    QString m_path;
    QList<Played> m_entries;
    bool m_blocked = false; // a damaged file that could not be set aside: never written over
    bool m_failing = false;
    BackgroundSaver m_saver;
};

} // namespace kelvane
