#include "app/PlayerWindow.h"

#include "app/LayoutBuilder.h"
#include "app/Ui.h"
#include "button/SkinButton.h"
#include "catalogue/ListUpdate.h"
#include "catalogue/StationList.h"
#include "downloader/FileDownloader.h"
#include "platform/MessageBox.h"

#include <QKeyEvent>
#include <QPainter>

namespace kelvane {

PlayerWindow::PlayerWindow(const QString& name, FormRegistry& forms, const AppServices& services)
    : Form(name, forms), m_services(services), m_layout(StoredLayout(name)),
      m_picture(storedPicture(m_layout.picture))
{
    // Borderless and out of the taskbar; the docking bar adds "on top" and places the window.
    LayoutBuilder(this, m_layout, services).applyWindowSettings();
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlayerWindow::guarded(const std::function<void()>& steps)
{
    try {
        steps();
    } catch (const std::exception&) {
        if (m_services.messageBox != nullptr)
            m_services.messageBox->show(this, kGenericErrorText, kGenericErrorTitle,
                                        MessageBox::Icon::Information);
    }
}

void PlayerWindow::silent(const std::function<void()>& steps)
{
    try {
        steps();
    } catch (const std::exception&) {
        // What was done stays done; nothing is shown.
    }
}

void PlayerWindow::playOnActivate(QListWidget* list, const std::function<void()>& onPlay)
{
    connect(list, &QListWidget::itemDoubleClicked, this, [onPlay] { onPlay(); });
    m_enterPlays.insert(list, onPlay);
    list->installEventFilter(this);
}

bool PlayerWindow::downloadList(FileDownloader& downloader, const QString& url,
                                const std::function<void(const QString&)>& onError)
{
    const QString name = FileNameFromURL(url);
    if (!IsPlainFileName(name)) {
        onError(kNoFileNameError);
        return true;
    }
    QPointer<PlayerWindow> alive(this);
    downloader.DownloadFile(url, ProgramFilePath(m_services.programFolder, name));
    return !alive.isNull();
}

void PlayerWindow::listUpdateFailed(const QString& error, QWidget* urlBox, SkinButton* button,
                                    FileDownloader* downloader)
{
    if (m_services.messageBox != nullptr)
        m_services.messageBox->show(this, error, QStringLiteral("错误"), MessageBox::Icon::Error);
    urlBox->setEnabled(true);
    button->setCaption(QStringLiteral("下载"));
    downloader->Cancel();
}

void PlayerWindow::listUpdateCompleted(const QString& message, QWidget* urlBox, SkinButton* button,
                                       QListWidget* list)
{
    if (m_services.messageBox != nullptr)
        m_services.messageBox->show(this, message, QStringLiteral("成功"),
                                    MessageBox::Icon::Information);
    urlBox->setEnabled(true);
    button->setCaption(QStringLiteral("检查更新"));
    // Repainted, not re-read: the new stations appear when the window is next loaded.
    list->viewport()->update();
}

int PlayerWindow::selectedPosition(const QListWidget* list)
{
    const QListWidgetItem* item = list->currentItem();
    return item != nullptr && item->isSelected() ? list->row(item) : -1;
}

void PlayerWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.drawPixmap(0, 0, m_picture);
}

void PlayerWindow::mousePressEvent(QMouseEvent* event)
{
    // A borderless window gets no focus from a window manager it bypasses: take it on a click.
    activateWindow();
    Form::mousePressEvent(event);
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Enter on a list plays the chosen station, like a double click.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto it = m_enterPlays.constFind(watched);
        if (it != m_enterPlays.cend() &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            (*it)();
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

} // namespace kelvane
