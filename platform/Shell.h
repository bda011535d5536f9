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
};

// The desktop's browser through QDesktopServices. Only http and https links are opened:
// anything else could start a local program.
class DesktopShell final : public Shell
{
public:
    bool openUrl(const QUrl& url) override;
};

bool isWebUrl(const QUrl& url);

} // namespace kelvane
