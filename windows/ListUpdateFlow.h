#pragma once

#include "windows/Services.h"

#include <QList>
#include <QString>

#include <functional>

class QLineEdit;

namespace kelvane {

class FileDownloader;
class Form;
class SkinButton;
class StationListBox;

// A window's list update: the update button's two clicks, its caption states and the download's
// events turned into messages. The caption is the state: "检查更新" arms the button ("下载"),
// "下载" fetches, anything else (the busy caption) cancels.
class ListUpdateFlow
{
public:
    struct Parts
    {
        SkinButton* button = nullptr;
        FileDownloader* downloader = nullptr;
        QList<QLineEdit*> boxes;        // the list addresses, fetched in this order
        QString busyCaption;            // the caption while fetching
        QString doneMessage;            // what a finished fetch says
        StationListBox* list = nullptr; // repainted when a fetch ends
    };
    // onError: the window's handler for a failed fetch (its design handler), also called for an
    // address that names no file.
    ListUpdateFlow(Form& window, const AppServices& services, Parts parts,
                   std::function<void(const QString&)> onError);

    // While a transfer runs, a click only cancels it, whatever the caption reads. Otherwise a
    // "下载" click fetches the lists named in the boxes, one after the other (each box must hold
    // an address: an empty one ends the click there, the boxes before it left disabled), under
    // the busy caption; any other caption arms the button ("下载"). The fetch blocks, and the
    // window may be gone when it returns.
    void click();
    // A fetch failed: the message, the first box enabled, the caption for the next click and
    // the transfer cancelled.
    void failed(const QString& error);
    // A fetch ended: the message, the first box enabled, the caption for the next click and the
    // list repainted (not re-read: the new stations appear when the window is next loaded).
    void completed();

private:
    // Fetches a list file into the program folder under the name its address ends in. An address
    // that names no plain file fails without touching the folder. False when the window was
    // destroyed while the transfer waited.
    bool fetch(const QString& url);

    Form& m_window;
    AppServices m_services;
    Parts m_parts;
    std::function<void(const QString&)> m_onError;
};

} // namespace kelvane
