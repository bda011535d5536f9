#pragma once

#include "platform/Forms.h"
#include "windows/Services.h"

class QTreeWidget;

namespace kelvane {

// 最近播放: the stations played last, most recent first, with when they started. It opens with the
// most recent one selected and the keyboard in the list; Enter or a double click plays the
// selected one again in its own window (the radio window, or the video window for TV); "清除"
// empties the history; Esc closes. A window of its own, like the directory.
class HistoryWindow final : public Form
{
    Q_OBJECT
public:
    HistoryWindow(FormRegistry& forms, const AppServices& services);

    void replay(); // the selected station
    void clear();
    QTreeWidget* list() const { return m_list; }

protected:
    void Form_Load() override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void fill();

    AppServices m_services;
    QTreeWidget* m_list = nullptr;
};

} // namespace kelvane
