#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>

namespace kelvane {

// The program runs once per user: the first start owns the program's id on the session bus and
// serves a small interface of its own there (Open(as files), Activate()); a later start hands
// its files, or a wish to be seen, to it and ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    static inline const QString kInterface = QStringLiteral("example.kelvane.Kelvane.Instance");
    static inline const QString kPath = QStringLiteral("/example/kelvane/Kelvane");

    enum class Start
    {
        First,      // this is the running instance (or there is no bus: it runs alone)
        HandedOver, // another one runs and took the files: end now
    };

    SingleInstance(const QDBusConnection& bus, const QString& appId, QObject* parent = nullptr);
    ~SingleInstance() override;

    // With no other instance, takes the id and serves it; otherwise hands the files (or, with
    // none, Activate) to the running one. A running one that does not answer in time, or a bus
    // that refuses, leaves this one to run on its own.
    Start start(const QStringList& files);
    bool owns() const { return m_owns; }

    // A command line's files as another process can open them: absolute paths, addresses kept.
    static QStringList filesFromArguments(const QStringList& arguments);

Q_SIGNALS:
    void openRequested(const QStringList& files);
    void activateRequested();

private:
    QDBusConnection m_bus;
    QString m_appId;
    bool m_owns = false;
};

} // namespace kelvane
