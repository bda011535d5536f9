#pragma once

class QUrl;

namespace kelvane::net {

// True for an address a station may be played or fetched from: the network schemes of HTTP,
// MMS, RTSP and RTMP and their variants, with a host. Local files and every other scheme
// (file:, data:, smb:, a playlist handing over to a device...) are false, so a station's server
// can never make the program open something on the listener's machine.
bool isNetworkAddress(const QUrl& url);

} // namespace kelvane::net
