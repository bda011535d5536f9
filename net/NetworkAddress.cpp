#include "net/NetworkAddress.h"

#include <QUrl>

namespace kelvane::net {

bool isNetworkAddress(const QUrl& url)
{
    static const char* const schemes[] = {
        "http",  "https", "mms",   "mmsh",  "mmst",  "mmsu",   "rtsp",   "rtsps",
        "rtspu", "rtmp",  "rtmps", "rtmpt", "rtmpe", "rtmpte", "rtmpts",
    };
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    for (const char* s : schemes) {
        if (scheme == QLatin1String(s))
            return true;
    }
    return false;
}

} // namespace kelvane::net
