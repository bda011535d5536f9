#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace kelvane {

// One row of the banner's link table.
struct LinkRow
{
    QString title;
    QString link;
    bool operator==(const LinkRow&) const = default;
};
using LinkTable = QList<LinkRow>;

// How long and how much the banner waits for its feed. The window that creates the banner waits
// for the whole load, so a dead or slow ad server must give up quickly.
struct FeedLimits
{
    int timeoutMs = 3000;          // from the request to the last byte
    qint64 maxBytes = 1024 * 1024; // a longer body is treated as a broken document
};

// Fetches the feed synchronously: a nested event loop that excludes user input runs until the
// body is in, the fetch fails or the time is up. Returns the body of a 2xx answer, or nothing
// when the server is unreachable, answers with an error, is too slow or sends too much (which
// the reader treats like a broken document: no rows from the feed).
std::optional<QByteArray> fetchFeed(const QString& url, const FeedLimits& limits = {});

// Appends one row per feed item to the table, starting at the row counter, exactly as the banner
// has always read its feed: titles and links are paired by position in the document, not by
// their item. Titles are cut to 256 characters. A feed that cannot be read adds a single empty row.
// `body` is the fetched document, or nothing when the fetch failed.
void readFeed(const std::optional<QByteArray>& body, LinkTable& table, qint16& rowCounter);

// fetchFeed followed by readFeed.
void loadFeed(const QString& url, LinkTable& table, qint16& rowCounter,
              const FeedLimits& limits = {});

} // namespace kelvane
