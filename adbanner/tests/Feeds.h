#pragma once

#include "adbanner/AdFeed.h"
#include "tests/support/HttpTestServer.h"

#include <QByteArray>
#include <QList>
#include <QTcpServer>

#include <ostream>
#include <utility>

namespace kelvane {

// Readable rows in test failures.
inline void PrintTo(const LinkRow& row, std::ostream* os)
{
    *os << "{\"" << row.title.toStdString() << "\", \"" << row.link.toStdString() << "\"}";
}

} // namespace kelvane

namespace kelvane::test {

// An RSS document with one item per (title, link) pair, UTF-8.
inline QByteArray rssFeed(const QList<std::pair<QByteArray, QByteArray>>& items)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\"><channel>"
                     "<title>ads</title>\n";
    for (const auto& [title, link] : items)
        xml += "<item><title>" + title + "</title><link>" + link + "</link></item>\n";
    xml += "</channel></rss>\n";
    return xml;
}

// A loopback port nobody listens on.
inline quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

inline QString unreachableFeedUrl()
{
    return QStringLiteral("http://127.0.0.1:%1/g/g.xml").arg(closedPort());
}

} // namespace kelvane::test
