#include "stations/History.h"

#include "net/NetworkAddress.h"
#include "stations/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>
#include <optional>

namespace kelvane {

namespace {

constexpr qsizetype kMaxFileBytes = 1024 * 1024;

const QLatin1StringView kKindNames[] = {QLatin1StringView("radio"), QLatin1StringView("tv"),
                                        QLatin1StringView("tv2")};

QString oneLine(QString text)
{
    text.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
    return text;
}

// One line of the file, or nothing when it is not one.
std::optional<Played> parseLine(QStringView line)
{
    const QList<QStringView> fields = line.split(u'\t');
    if (fields.size() != 4)
        return std::nullopt;
    Played played;
    played.started = QDateTime::fromString(fields[0].toString(), Qt::ISODate);
    const auto kind = std::find(std::begin(kKindNames), std::end(kKindNames), fields[1]);
    played.url = fields[2].toString();
    played.name = fields[3].toString();
    if (!played.started.isValid() || kind == std::end(kKindNames) ||
        !net::isNetworkAddress(QUrl(played.url)))
        return std::nullopt;
    played.kind = ListKind(kind - std::begin(kKindNames));
    return played;
}

} // namespace

QString History::fileName()
{
    return QStringLiteral("最近播放.txt");
}

History::History(const QString& folder, QObject* parent)
    : QObject(parent), m_path(QDir(folder).filePath(fileName()))
{
    connect(&m_saver, &BackgroundSaver::saved, this, [this] { m_failing = false; });
    connect(&m_saver, &BackgroundSaver::failed, this, [this](const QString&, const QString& error) {
        if (!m_failing)
            Q_EMIT problem(QStringLiteral("无法保存最近播放：") + error);
        m_failing = true;
    });
}

History::~History()
{
    disconnect(&m_saver, nullptr, this, nullptr);
}

void History::load()
{
    m_saver.flush();
    m_entries.clear();
    removeLeftoverTemporaries(m_path);
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink()) {
        Q_EMIT changed();
        return;
    }
    QFile file(m_path);
    QString why;
    QByteArray bytes;
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        why = QStringLiteral("无法读取");
    else
        bytes = file.read(kMaxFileBytes + 1);
    if (why.isEmpty() && bytes.size() > kMaxFileBytes)
        why = QStringLiteral("文件过大");
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (why.isEmpty() && utf8.hasError())
        why = QStringLiteral("不是 UTF-8 文本");
    int bad = 0;
    for (QStringView line : QStringView(text).split(u'\n', Qt::SkipEmptyParts)) {
        const std::optional<Played> played = parseLine(line);
        if (!played)
            ++bad;
        else if (m_entries.size() < kMaxEntries &&
                 std::none_of(m_entries.cbegin(), m_entries.cend(),
                              [&](const Played& p) { return p.url == played->url; }))
            m_entries.append(*played);
    }
    if (why.isEmpty() && bad > 0)
        why = QStringLiteral("%1 行无法读取").arg(bad);
    Q_EMIT changed();
    if (why.isEmpty())
        return;
    const QString aside = setAside(m_path);
    if (aside.isEmpty()) {
        m_blocked = true;
        Q_EMIT problem(
            QStringLiteral("%1 已损坏（%2），读出 %3 条；无法把它另存，本次运行不会改写它。")
                .arg(fileName(), why)
                .arg(m_entries.size()));
        return;
    }
    Q_EMIT problem(QStringLiteral("%1 已损坏（%2），读出 %3 条；原文件已另存为 %4。")
                       .arg(fileName(), why)
                       .arg(m_entries.size())
                       .arg(QFileInfo(aside).fileName()));
    if (!m_entries.isEmpty())
        save();
}

void History::add(const Played& played)
{
    if (!net::isNetworkAddress(QUrl(played.url)))
        return;
    m_entries.removeIf([&](const Played& p) { return p.url == played.url; });
    m_entries.prepend(played);
    if (m_entries.size() > kMaxEntries)
        m_entries.resize(kMaxEntries);
    save();
    Q_EMIT changed();
}

void History::clear()
{
    m_entries.clear();
    save();
    Q_EMIT changed();
}

void History::flush()
{
    m_saver.flush();
}

void History::save()
{
    if (m_blocked)
        return;
    const QList<Played> entries = m_entries;
    m_saver.save(m_path, [entries] {
        QString text;
        for (const Played& p : entries) {
            text += p.started.toUTC().toString(Qt::ISODateWithMs) + u'\t' +
                    kKindNames[int(p.kind)] + u'\t' + oneLine(p.url) + u'\t' + oneLine(p.name) +
                    u'\n';
        }
        return text.toUtf8();
    });
}

} // namespace kelvane
