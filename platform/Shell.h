#pragma once

#include <QUrl>

namespace kelvane {

// Opens web pages in the user's browser. Passed in, so tests never start a browser.
class Shell
{
public:
    virtual ~Shell() = default;
    // Returns true when the page was handed to the browser.
    virtual bool openUrl(const QUrl& url) = 0;
    // Shows a local folder in the file manager; true when it was handed over.
    virtual bool openFolder(const QString& path)
    {
        Q_UNUSED(path);
        return false;
    }
};

// The desktop's browser through QDesktopServices. Only http and https links are opened:
// anything else could start a local program.
class DesktopShell final : public Shell
{
public:
    bool openUrl(const QUrl& url) override;
    // Only an existing folder: a file could be a program.
    bool openFolder(const QString& path) override;
};

bool isWebUrl(const QUrl& url);

} // namespace kelvane
