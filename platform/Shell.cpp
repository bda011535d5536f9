#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace kelvane {

bool isWebUrl(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == u"http" || scheme == u"https");
}

bool DesktopShell::openUrl(const QUrl& url)
{
    if (!isWebUrl(url))
        return false;
    return QDesktopServices::openUrl(url);
}

bool DesktopShell::openFolder(const QString& path)
{
    if (!QFileInfo(path).isDir())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace kelvane
