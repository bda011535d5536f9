#include "net/NetworkAddress.h"

#include <QUrl>
#include <gtest/gtest.h>

using kelvane::net::isNetworkAddress;

TEST(NetworkAddress, OnlyNetworkSchemesWithAHost)
{
    const struct
    {
        const char* url;
        bool network;
    } cases[] = {
        {"http://radio.example/live", true},    {"HTTPS://radio.example:8443/a.aac", true},
        {"mms://media.example/tv", true},       {"mmsh://media.example/tv", true},
        {"rtsp://cam.example/stream", true},    {"rtmp://live.example/app/key", true},
        {"rtmpts://live.example/app", true},    {"file:///etc/passwd", false},
        {"/home/user/music.mp3", false},        {"smb://share.example/x.mp3", false},
        {"data:audio/mpeg;base64,AAAA", false}, {"http:///no-host", false},
        {"javascript:alert(1)", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isNetworkAddress(QUrl(c.url)), c.network) << c.url;
}
