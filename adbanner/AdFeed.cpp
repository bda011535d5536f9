#include "adbanner/AdFeed.h"

#include "net/Fetch.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

#include <pugixml.hpp>

#include <limits>

namespace kelvane {

std::optional<QByteArray> fetchFeed(const QString& url, const FeedLimits& limits)
{
    const QUrl address(url, QUrl::StrictMode);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || address.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        return std::nullopt;

    net::Limits bounds;
    bounds.maxBytes = limits.maxBytes; // a longer body is a broken document
    bounds.connectTimeoutMs = limits.timeoutMs;
    bounds.deadlineMs = limits.timeoutMs;
    bounds.silenceMs = 0;
    net::Fetch fetch;
    QByteArray body;
    QEventLoop loop;
    QObject::connect(&fetch, &net::Fetch::readyRead, &loop, [&] { body += fetch.readAll(); });
    QObject::connect(&fetch, &net::Fetch::finished, &loop, &QEventLoop::quit);
    // Asking for the plain body keeps the size limit honest: nothing is inflated behind our back.
    fetch.start(address, bounds, {"Accept-Encoding: identity"});
    if (!fetch.isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    body += fetch.readAll();
    if (fetch.error() != net::Fetch::Error::None || fetch.status() < 200 || fetch.status() >= 300)
        return std::nullopt;
    return body;
}

namespace {

// The feed's bytes as UTF-8 for the parser. Documents in a code page pugixml does not know
// (a Chinese feed usually declares gb2312) are decoded here; the UTF encodings with a byte order
// mark or wide characters are left to pugixml. Returns false for an unknown encoding or bytes that
// are not valid in the declared one.
bool toParserInput(const QByteArray& body, QByteArray& out, pugi::xml_encoding& encoding)
{
    const auto byte = [&](qsizetype i) { return i < body.size() ? quint8(body[i]) : 0x100; };
    const bool utf8Bom = byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF;
    const bool wide = byte(0) == 0 || byte(1) == 0 || byte(0) == 0xFE || byte(0) == 0xFF;
    if (utf8Bom || wide) {
        out = body;
        encoding = pugi::encoding_auto;
        return true;
    }

    QByteArray declared = "utf-8";
    if (body.startsWith("<?xml")) {
        const qsizetype end = body.indexOf("?>");
        static const QRegularExpression re(
            QStringLiteral(R"(encoding\s*=\s*["']([A-Za-z0-9._:\-]+)["'])"));
        const auto match = re.match(QString::fromLatin1(body.left(end < 0 ? 0 : end)));
        if (match.hasMatch())
            declared = match.captured(1).toLower().toLatin1();
    }
    encoding = pugi::encoding_utf8;
    if (declared == "utf-8" || declared == "utf8") {
        out = body;
        return true;
    }
    // Chinese feeds that say gb2312 are written in its superset in practice.
    if (declared == "gb2312" || declared == "x-gbk" || declared == "cp936")
        declared = "GBK";
    QStringDecoder decoder(declared.constData());
    if (!decoder.isValid())
        return false;
    const QString text = decoder.decode(body);
    if (decoder.hasError())
        return false;
    out = text.toUtf8();
    return true;
}

// A document with a DOCTYPE is refused outright: its entities are never expanded and nothing it
// names is fetched.
bool parseDocument(const QByteArray& body, pugi::xml_document& doc)
{
    QByteArray input;
    pugi::xml_encoding encoding = pugi::encoding_auto;
    if (!toParserInput(body, input, encoding))
        return false;
    const pugi::xml_parse_result parsed =
        doc.load_buffer(input.constData(), static_cast<size_t>(input.size()),
                        pugi::parse_default | pugi::parse_doctype, encoding);
    if (!parsed)
        return false;
    for (const pugi::xml_node& child : doc.children()) {
        if (child.type() == pugi::node_doctype)
            return false;
    }
    return bool(doc.document_element());
}

// The text content of an element: all text below it, surrounding white space removed.
QString nodeText(const pugi::xml_node& node)
{
    std::string text;
    for (pugi::xml_node child = node.first_child(); child;) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            text += child.value();
        if (child.first_child()) {
            child = child.first_child();
            continue;
        }
        while (child && !child.next_sibling() && child != node)
            child = child.parent();
        if (!child || child == node)
            break;
        child = child.next_sibling();
    }
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
}

// At most this many characters of a title: a hostile feed must not make the ticker lay out a
// megabyte on every frame.
constexpr qsizetype kMaxTitleLength = 256;

QString cutTitle(QString title)
{
    if (title.size() <= kMaxTitleLength)
        return title;
    const qsizetype n =
        title.at(kMaxTitleLength - 1).isHighSurrogate() ? kMaxTitleLength - 1 : kMaxTitleLength;
    title.truncate(n);
    return title;
}

// Text of node i of a selection, or empty text when there is no such node.
QString textAt(const pugi::xpath_node_set& nodes, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= nodes.size())
        return {};
    return nodeText(nodes[static_cast<size_t>(index)].node());
}

} // namespace

void readFeed(const std::optional<QByteArray>& body, LinkTable& table, qint16& rowCounter)
{
    static const pugi::xpath_query items("//channel/item");
    static const pugi::xpath_query titles("//channel/item/title");
    static const pugi::xpath_query links("//channel/item/link");

    pugi::xml_document doc;
    pugi::xml_node root;
    if (body && parseDocument(*body, doc))
        root = doc.document_element();

    // Without a document the count fails and the loop bound stays 0, so one empty row is added.
    // Counts the 16-bit counters cannot hold are taken the same way.
    int lastIndex = 0;
    if (root) {
        const size_t count = items.evaluate_node_set(root).size();
        if (count <= static_cast<size_t>(std::numeric_limits<qint16>::max()) - 1)
            lastIndex = static_cast<int>(count) - 1;
    }

    // Titles and links are paired by position in their own lists. Each list is selected once:
    // the document does not change while it is read, and selecting it again for every row made
    // reading a large feed quadratic (minutes for a feed near the size limit).
    pugi::xpath_node_set titleNodes;
    pugi::xpath_node_set linkNodes;
    if (root) {
        titleNodes = titles.evaluate_node_set(root);
        titleNodes.sort();
        linkNodes = links.evaluate_node_set(root);
        linkNodes.sort();
    }

    for (int i = 0; i <= lastIndex; ++i) {
        table.resize(qsizetype(rowCounter) + 1);
        LinkRow& row = table[rowCounter];
        row.title = cutTitle(textAt(titleNodes, i));
        row.link = textAt(linkNodes, i);
        if (rowCounter < std::numeric_limits<qint16>::max())
            ++rowCounter;
    }
}

void loadFeed(const QString& url, LinkTable& table, qint16& rowCounter, const FeedLimits& limits)
{
    readFeed(fetchFeed(url, limits), table, rowCounter);
}

} // namespace kelvane
