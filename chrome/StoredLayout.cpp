#include "chrome/StoredLayout.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

#include <stdexcept>

// The layouts are compiled into this static library; its resources must be registered by hand.
static void registerLayoutResources()
{
    Q_INIT_RESOURCE(layouts);
}

namespace kelvane {

namespace {

QString expand(const QString& text, QStringView listBaseUrl)
{
    QString out = text;
    // Layouts name the list server's folder as @LIST_BASE@.
    out.replace(QStringLiteral("@LIST_BASE@"), listBaseUrl.toString());
    return out;
}

std::optional<StoredFont> fontFrom(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    // The same form as a bag's font entry.
    const QJsonArray wrapped{QJsonObject{{QStringLiteral("name"), QStringLiteral("font")},
                                         {QStringLiteral("type"), QStringLiteral("font")},
                                         {QStringLiteral("value"), value}}};
    const auto bag = PropertyBag::fromJsonArray(wrapped);
    if (!bag)
        return std::nullopt;
    return bag->readFont(QStringLiteral("font"), StoredFont{});
}

std::optional<OleColor> colourFrom(const QJsonValue& value)
{
    bool ok = false;
    const qulonglong v = value.toString().toULongLong(&ok, 0);
    if (!ok || v > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<OleColor>(v);
}

} // namespace

const ControlLayout& WindowLayout::control(const QString& controlName, int element) const
{
    for (const ControlLayout& c : controls)
        if (c.name == controlName && c.index == element)
            return c;
    throw std::out_of_range("no control " + controlName.toStdString() + " in layout " +
                            name.toStdString());
}

std::optional<WindowLayout> parseLayout(const QByteArray& json, QStringView listBaseUrl,
                                        QString* error)
{
    auto fail = [error](const QString& why) -> std::optional<WindowLayout> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return fail(parseError.errorString());
    const QJsonObject root = doc.object();
    WindowLayout layout;
    layout.name = root.value(u"name").toString();
    layout.caption = root.value(u"caption").toString();
    layout.frame = root.value(u"frame").toString();
    layout.clientTwips =
        QSize(root.value(u"clientWidth").toInt(), root.value(u"clientHeight").toInt());
    layout.startPosition = root.value(u"startPosition").toString();
    layout.showInTaskbar = root.value(u"showInTaskbar").toBool();
    layout.picture = root.value(u"picture").toString();
    if (layout.name.isEmpty() || layout.clientTwips.isEmpty())
        return fail(QStringLiteral("a window needs a name and a client size"));

    for (const QJsonValue& item : root.value(u"controls").toArray()) {
        const QJsonObject o = item.toObject();
        ControlLayout c;
        c.name = o.value(u"name").toString();
        c.kind = o.value(u"kind").toString();
        if (c.name.isEmpty() || c.kind.isEmpty())
            return fail(QStringLiteral("a control needs a name and a kind"));
        c.index = o.value(u"index").toInt(-1);
        c.twips = QRect(o.value(u"left").toInt(), o.value(u"top").toInt(),
                        o.value(u"width").toInt(), o.value(u"height").toInt());
        c.tab = o.value(u"tab").toInt(-1);
        c.visible = o.value(u"visible").toBool(true);
        c.transparent = o.value(u"transparent").toBool(false);
        c.caption = o.value(u"caption").toString();
        c.text = expand(o.value(u"text").toString(), listBaseUrl);
        c.pointer = o.value(u"pointer").toString();
        c.interval = o.value(u"interval").toInt();
        c.enabled = o.value(u"enabled").toBool(true);
        c.settings = o.value(u"settings").toObject();
        if (o.contains(u"font")) {
            c.font = fontFrom(o.value(u"font"));
            if (!c.font)
                return fail(QStringLiteral("%1: bad font").arg(c.name));
        }
        if (o.contains(u"foreColor")) {
            c.foreColor = colourFrom(o.value(u"foreColor"));
            if (!c.foreColor)
                return fail(QStringLiteral("%1: bad colour").arg(c.name));
        }
        if (o.contains(u"bag")) {
            QString why;
            auto bag = PropertyBag::fromJsonArray(o.value(u"bag").toArray(), &why);
            if (!bag)
                return fail(QStringLiteral("%1: %2").arg(c.name, why));
            c.bag = std::move(*bag);
        }
        layout.controls.append(std::move(c));
    }
    return layout;
}

const WindowLayout& storedLayout(const QString& windowName, QStringView listBaseUrl)
{
    static QHash<QString, WindowLayout> loaded;
    const QString key = windowName % u' ' % listBaseUrl;
    static const bool registered = (registerLayoutResources(), true);
    Q_UNUSED(registered);
    if (auto it = loaded.constFind(key); it != loaded.cend())
        return *it;
    QFile file(QStringLiteral(":/layouts/%1.json").arg(windowName));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("no stored layout for " + windowName.toStdString());
    QString error;
    auto layout = parseLayout(file.readAll(), listBaseUrl, &error);
    if (!layout)
        throw std::runtime_error("stored layout " + windowName.toStdString() + ": " +
                                 error.toStdString());
    return *loaded.insert(key, std::move(*layout));
}

} // namespace kelvane
