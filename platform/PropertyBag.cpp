#include "platform/PropertyBag.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace kelvane {

namespace {

constexpr const char* kTypeNames[] = {"integer", "boolean", "text", "colour", "picture", "font"};

QString colourText(OleColor colour)
{
    return u"0x"_s + QString::number(colour, 16).toUpper().rightJustified(8, u'0');
}

// A whole JSON number within the given range.
template <typename T> std::optional<T> wholeNumber(const QJsonValue& value)
{
    if (!value.isDouble())
        return {};
    const double number = value.toDouble();
    if (std::trunc(number) != number ||
        number < static_cast<double>(std::numeric_limits<T>::min()) ||
        number > static_cast<double>(std::numeric_limits<T>::max()))
        return {};
    return static_cast<T>(number);
}

std::optional<OleColor> parseColour(const QJsonValue& value)
{
    if (value.isString()) {
        QString text = value.toString().trimmed();
        if (!text.startsWith(u"0x", Qt::CaseInsensitive) || text.size() > 10 || text.size() < 3)
            return {};
        bool ok = false;
        const uint colour = QStringView(text).mid(2).toUInt(&ok, 16);
        if (!ok)
            return {};
        return colour;
    }
    return wholeNumber<OleColor>(value);
}

std::optional<StoredFont> parseFont(const QJsonValue& value)
{
    if (!value.isObject())
        return {};
    const QJsonObject object = value.toObject();
    StoredFont font;
    if (!object.value(u"face").isString() || !object.value(u"size").isDouble())
        return {};
    font.face = object.value(u"face").toString();
    font.size = object.value(u"size").toDouble();
    if (!(font.size >= 0) || font.size > 2048)
        return {};
    const auto weight = wholeNumber<int>(object.value(u"weight"));
    const auto charset = wholeNumber<int>(object.value(u"charset"));
    if (!weight || *weight < 0 || *weight > 1000 || !charset || *charset < 0 || *charset > 255)
        return {};
    font.weight = *weight;
    font.charset = *charset;
    for (auto [key, flag] :
         {std::pair{u"italic", &font.italic}, std::pair{u"underline", &font.underline},
          std::pair{u"strikethrough", &font.strikethrough}}) {
        const QJsonValue styleValue = object.value(QStringView(key));
        if (styleValue.isUndefined())
            continue;
        if (!styleValue.isBool())
            return {};
        *flag = styleValue.toBool();
    }
    return font;
}

std::optional<StoredPicture> parsePicture(const QJsonValue& value)
{
    if (!value.isString())
        return {};
    const auto decoded = QByteArray::fromBase64Encoding(value.toString().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return {};
    StoredPicture picture{*decoded};
    if (!picture.png.isEmpty() && picture.toImage().isNull())
        return {};
    return picture;
}

QJsonValue fontToJson(const StoredFont& font)
{
    return QJsonObject{{u"face"_s, font.face},
                       {u"size"_s, font.size},
                       {u"weight"_s, font.weight},
                       {u"charset"_s, font.charset},
                       {u"italic"_s, font.italic},
                       {u"underline"_s, font.underline},
                       {u"strikethrough"_s, font.strikethrough}};
}

} // namespace

QFont StoredFont::toQFont() const
{
    QFont font(face);
    if (size > 0)
        font.setPointSizeF(size);
    // Weight 0 means "any weight", which draws as regular.
    font.setWeight(static_cast<QFont::Weight>(weight > 0 ? std::min(weight, 1000) : 400));
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikethrough);
    return font;
}

StoredFont StoredFont::fromQFont(const QFont& font, int charset)
{
    StoredFont stored;
    stored.face = font.family();
    stored.size = font.pointSizeF() > 0 ? font.pointSizeF() : 0;
    stored.weight = font.weight();
    stored.charset = charset;
    stored.italic = font.italic();
    stored.underline = font.underline();
    stored.strikethrough = font.strikeOut();
    return stored;
}

QImage StoredPicture::toImage() const
{
    if (png.isEmpty())
        return {};
    return QImage::fromData(png, "PNG");
}

StoredPicture StoredPicture::fromImage(const QImage& image)
{
    StoredPicture picture;
    if (image.isNull())
        return picture;
    QBuffer buffer(&picture.png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return picture;
}

const PropertyBag::Entry* PropertyBag::find(const QString& name) const
{
    const qsizetype index = indexOf(name);
    return index < 0 ? nullptr : &m_entries.at(index);
}

qsizetype PropertyBag::indexOf(const QString& name) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void PropertyBag::store(const QString& name, Value value)
{
    const qsizetype index = indexOf(name);
    if (index >= 0)
        m_entries[index] = Entry{name, std::move(value)};
    else
        m_entries.append(Entry{name, std::move(value)});
}

void PropertyBag::remove(const QString& name)
{
    const qsizetype index = indexOf(name);
    if (index >= 0)
        m_entries.removeAt(index);
}

template <typename T>
void PropertyBag::write(const QString& name, const T& value, const std::optional<T>& writeDefault)
{
    if (writeDefault && *writeDefault == value)
        remove(name);
    else
        store(name, Value(std::in_place_type<T>, value));
}

qint32 PropertyBag::readInt(const QString& name, qint32 defaultValue) const
{
    const Entry* entry = find(name);
    if (!entry)
        return defaultValue;
    if (const auto* number = std::get_if<qint32>(&entry->value))
        return *number;
    if (const auto* colour = std::get_if<OleColor>(&entry->value))
        return static_cast<qint32>(*colour);
    if (const auto* flag = std::get_if<bool>(&entry->value))
        return *flag ? -1 : 0; // a stored true is all bits set
    if (const auto* text = std::get_if<QString>(&entry->value)) {
        bool ok = false;
        const qint32 number = text->trimmed().toInt(&ok);
        return ok ? number : defaultValue;
    }
    return defaultValue;
}

bool PropertyBag::readBool(const QString& name, bool defaultValue) const
{
    const Entry* entry = find(name);
    if (!entry)
        return defaultValue;
    if (const auto* flag = std::get_if<bool>(&entry->value))
        return *flag;
    if (const auto* text = std::get_if<QString>(&entry->value)) {
        if (text->compare(u"true", Qt::CaseInsensitive) == 0)
            return true;
        if (text->compare(u"false", Qt::CaseInsensitive) == 0)
            return false;
    }
    if (std::holds_alternative<qint32>(entry->value) ||
        std::holds_alternative<OleColor>(entry->value) ||
        std::holds_alternative<QString>(entry->value))
        return readInt(name, defaultValue ? 1 : 0) != 0;
    return defaultValue;
}

QString PropertyBag::readText(const QString& name, const QString& defaultValue) const
{
    const Entry* entry = find(name);
    if (!entry)
        return defaultValue;
    if (const auto* text = std::get_if<QString>(&entry->value))
        return *text;
    if (const auto* number = std::get_if<qint32>(&entry->value))
        return QString::number(*number);
    return defaultValue;
}

OleColor PropertyBag::readColour(const QString& name, OleColor defaultValue) const
{
    const Entry* entry = find(name);
    if (!entry)
        return defaultValue;
    if (const auto* colour = std::get_if<OleColor>(&entry->value))
        return *colour;
    if (std::holds_alternative<QString>(entry->value)) {
        if (const auto colour = parseColour(QJsonValue(std::get<QString>(entry->value))))
            return *colour;
    }
    if (std::holds_alternative<qint32>(entry->value) || std::holds_alternative<bool>(entry->value))
        return static_cast<OleColor>(readInt(name, 0));
    return defaultValue;
}

StoredPicture PropertyBag::readPicture(const QString& name, const StoredPicture& defaultValue) const
{
    const Entry* entry = find(name);
    if (const auto* picture = entry ? std::get_if<StoredPicture>(&entry->value) : nullptr)
        return *picture;
    return defaultValue;
}

StoredFont PropertyBag::readFont(const QString& name, const StoredFont& defaultValue) const
{
    const Entry* entry = find(name);
    if (const auto* font = entry ? std::get_if<StoredFont>(&entry->value) : nullptr)
        return *font;
    return defaultValue;
}

void PropertyBag::writeInt(const QString& name, qint32 value, std::optional<qint32> writeDefault)
{
    write(name, value, writeDefault);
}

void PropertyBag::writeBool(const QString& name, bool value, std::optional<bool> writeDefault)
{
    write(name, value, writeDefault);
}

void PropertyBag::writeText(const QString& name, const QString& value,
                            std::optional<QString> writeDefault)
{
    write(name, value, writeDefault);
}

void PropertyBag::writeColour(const QString& name, OleColor value,
                              std::optional<OleColor> writeDefault)
{
    write(name, value, writeDefault);
}

void PropertyBag::writePicture(const QString& name, const StoredPicture& value,
                               std::optional<StoredPicture> writeDefault)
{
    write(name, value, writeDefault);
}

void PropertyBag::writeFont(const QString& name, const StoredFont& value,
                            std::optional<StoredFont> writeDefault)
{
    write(name, value, writeDefault);
}

QString PropertyBag::typeName(Type type)
{
    return QString::fromLatin1(kTypeNames[static_cast<int>(type)]);
}

QJsonArray PropertyBag::toJsonArray() const
{
    QJsonArray array;
    for (const Entry& entry : m_entries) {
        QJsonValue value = std::visit(
            [](const auto& v) -> QJsonValue {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, OleColor>)
                    return colourText(v);
                else if constexpr (std::is_same_v<T, StoredPicture>)
                    return QString::fromLatin1(v.png.toBase64());
                else if constexpr (std::is_same_v<T, StoredFont>)
                    return fontToJson(v);
                else
                    return QJsonValue(v);
            },
            entry.value);
        array.append(QJsonObject{
            {u"name"_s, entry.name}, {u"type"_s, typeName(entry.type())}, {u"value"_s, value}});
    }
    return array;
}

QByteArray PropertyBag::toJson() const
{
    return QJsonDocument(toJsonArray()).toJson(QJsonDocument::Indented);
}

std::optional<PropertyBag> PropertyBag::fromJsonArray(const QJsonArray& array, QString* error)
{
    auto fail = [error](qsizetype index, const QString& why) -> std::optional<PropertyBag> {
        if (error)
            *error = QStringLiteral("entry %1: %2").arg(index + 1).arg(why);
        return std::nullopt;
    };
    PropertyBag bag;
    for (qsizetype i = 0; i < array.size(); ++i) {
        if (!array.at(i).isObject())
            return fail(i, u"not an object"_s);
        const QJsonObject object = array.at(i).toObject();
        const QString name = object.value(u"name").toString();
        const QString type = object.value(u"type").toString();
        const QJsonValue value = object.value(u"value");
        if (name.isEmpty())
            return fail(i, u"no name"_s);
        if (bag.contains(name))
            return fail(i, QStringLiteral("\"%1\" given twice").arg(name));

        std::optional<Value> parsed;
        if (type == u"integer") {
            if (const auto number = wholeNumber<qint32>(value))
                parsed.emplace(std::in_place_type<qint32>, *number);
        } else if (type == u"boolean") {
            if (value.isBool())
                parsed.emplace(std::in_place_type<bool>, value.toBool());
        } else if (type == u"text") {
            if (value.isString())
                parsed.emplace(std::in_place_type<QString>, value.toString());
        } else if (type == u"colour") {
            if (const auto colour = parseColour(value))
                parsed.emplace(std::in_place_type<OleColor>, *colour);
        } else if (type == u"picture") {
            if (auto picture = parsePicture(value))
                parsed.emplace(std::in_place_type<StoredPicture>, std::move(*picture));
        } else if (type == u"font") {
            if (auto font = parseFont(value))
                parsed.emplace(std::in_place_type<StoredFont>, std::move(*font));
        } else {
            return fail(i, QStringLiteral("unknown type \"%1\"").arg(type));
        }
        if (!parsed)
            return fail(i, QStringLiteral("\"%1\" is not a valid %2").arg(name, type));
        bag.m_entries.append(Entry{name, std::move(*parsed)});
    }
    return bag;
}

std::optional<PropertyBag> PropertyBag::fromJson(const QByteArray& json, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (error)
            *error = parseError.errorString();
        return std::nullopt;
    }
    if (!document.isArray()) {
        if (error)
            *error = u"not a JSON array"_s;
        return std::nullopt;
    }
    return fromJsonArray(document.array(), error);
}

} // namespace kelvane
