#include "windows/ListUpdateFlow.h"

#include "button/SkinButton.h"
#include "catalogue/ListUpdate.h"
#include "catalogue/StationList.h"
#include "downloader/FileDownloader.h"
#include "listbox/StationListBox.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"

#include <QLineEdit>
#include <QPointer>

namespace kelvane {

ListUpdateFlow::ListUpdateFlow(Form& window, const AppServices& services, Parts parts,
                               std::function<void(const QString&)> onError)
    : m_window(window), m_services(services), m_parts(std::move(parts)),
      m_onError(std::move(onError))
{}

void ListUpdateFlow::click()
{
    SkinButton* button = m_parts.button;
    if (button->Caption() != u"下载" || m_parts.downloader->isTransferring()) {
        m_parts.downloader->Cancel();
        for (QLineEdit* box : std::as_const(m_parts.boxes))
            box->setEnabled(true);
        button->setCaption(QStringLiteral("下载"));
        return;
    }
    QStringList urls;
    for (QLineEdit* box : std::as_const(m_parts.boxes)) {
        if (trimSpaces(box->text()).isEmpty())
            return;
        box->setEnabled(false);
        urls.append(box->text());
    }
    button->setCaption(m_parts.busyCaption);
    for (qsizetype i = 0; i < urls.size(); ++i) {
        // Each list follows whatever became of the one before; a window closed meanwhile
        // fetches no more.
        if (i > 0 && m_window.forms().find(m_window.formName()) != &m_window)
            return;
        if (!fetch(urls.at(i)))
            return;
    }
}

bool ListUpdateFlow::fetch(const QString& url)
{
    const QString name = FileNameFromURL(url);
    if (!isPlainFileName(name)) {
        m_onError(kNoFileNameError);
        return true;
    }
    // This object ends with its window: nothing of it is touched once the window is gone.
    QPointer<Form> alive(&m_window);
    m_parts.downloader->DownloadFile(url, programFilePath(m_services.programFolder, name));
    return !alive.isNull();
}

void ListUpdateFlow::failed(const QString& error)
{
    if (m_services.messageBox != nullptr)
        m_services.messageBox->show(&m_window, error, QStringLiteral("错误"),
                                    MessageBox::Icon::Error);
    m_parts.boxes.first()->setEnabled(true);
    m_parts.button->setCaption(QStringLiteral("下载"));
    m_parts.downloader->Cancel();
}

void ListUpdateFlow::completed()
{
    if (m_services.messageBox != nullptr)
        m_services.messageBox->show(&m_window, m_parts.doneMessage, QStringLiteral("成功"),
                                    MessageBox::Icon::Information);
    m_parts.boxes.first()->setEnabled(true);
    m_parts.button->setCaption(QStringLiteral("检查更新"));
    m_parts.list->viewport()->update();
}

} // namespace kelvane
