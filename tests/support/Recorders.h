#pragma once

#include "platform/MessageBox.h"
#include "platform/Shell.h"

#include <QList>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace kelvane::test {

// Records message boxes instead of showing them; an optional hook runs while the "box is open".
class RecordingMessageBox final : public MessageBox
{
public:
    struct Shown
    {
        QString text;
        QString title;
        Icon icon;
    };

    void show(QWidget*, const QString& text, const QString& title, Icon icon) override
    {
        shown.append({text, title, icon});
        if (onShow)
            onShow(shown.constLast());
    }

    QList<Shown> shown;
    std::function<void(const Shown&)> onShow;
};

// Records the pages that would have been opened in the browser.
class RecordingShell final : public Shell
{
public:
    bool openUrl(const QUrl& url) override
    {
        opened.append(url);
        return result;
    }
    bool openFolder(const QString& path) override
    {
        folders.append(path);
        return result;
    }
    QList<QUrl> opened;
    QStringList folders;
    bool result = true;
};

} // namespace kelvane::test
