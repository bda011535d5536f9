#pragma once

#include "windows/Services.h"

#include <QObject>
#include <QStringList>

namespace kelvane {

class FormRegistry;

// What the desktop asks of the running program beyond playing: playlists to import (its own
// command line, or a later start's over the session bus), a later start without files (the
// radio window comes into view) and problems with the listener's files. While the splash runs
// they wait until it has handed over to the radio window.
class InstanceRequests : public QObject
{
    Q_OBJECT
public:
    InstanceRequests(FormRegistry& forms, const AppServices& services, QObject* parent = nullptr);

    void open(const QStringList& files);
    void activate();
    void tell(const QString& problem);

private:
    bool waiting() const;
    void handOver();
    QWidget* shownWindow() const;

    FormRegistry& m_forms;
    AppServices m_services;
    QStringList m_files;
    QStringList m_problems;
    bool m_activate = false;
};

} // namespace kelvane
