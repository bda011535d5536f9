#pragma once

#include "platform/OleColor.h"

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QJsonArray>
#include <QList>
#include <QString>

#include <optional>
#include <variant>

namespace kelvane {

// A font as it is persisted: face, size in points, weight (400 regular, 700 bold), character
// set (0 ANSI, 134 GB2312) and the styles. QFont has no character set, so it is kept here.
struct StoredFont
{
    QString face;
    double size = 0;
    int weight = 400;
    int charset = 0;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    QFont toQFont() const;
    // The character set is not part of a QFont; the caller says which one it stands for.
    static StoredFont fromQFont(const QFont& font, int charset = 0);

    bool operator==(const StoredFont&) const = default;
};

// A picture as it is persisted: PNG bytes, empty for an empty picture.
struct StoredPicture
{
    QByteArray png;

    QImage toImage() const;
    // An empty or null image becomes an empty picture.
    static StoredPicture fromImage(const QImage& image);

    bool operator==(const StoredPicture&) const = default;
};

// The persisted settings of one placed control: named, typed entries in their stored order.
// Names are matched without regard to case. Reading takes a default for a missing entry;
// writing stores nothing when the value equals the given write default (and drops an entry the
// name held before, so a later read yields the default rather than a stale value).
class PropertyBag
{
public:
    enum class Type
    {
        Integer,
        Boolean,
        Text,
        Colour,
        Picture,
        Font
    };
    using Value = std::variant<qint32, bool, QString, OleColor, StoredPicture, StoredFont>;

    struct Entry
    {
        QString name;
        Value value;

        Type type() const { return static_cast<Type>(value.index()); }
        bool operator==(const Entry&) const = default;
    };

    bool isEmpty() const { return m_entries.isEmpty(); }
    int size() const { return static_cast<int>(m_entries.size()); }
    const QList<Entry>& entries() const { return m_entries; }
    bool contains(const QString& name) const { return indexOf(name) >= 0; }
    // The stored entry of that name, if any.
    const Entry* find(const QString& name) const;
    void clear() { m_entries.clear(); }

    // Reads convert between integers, colours and Booleans (non-zero is true), as a bag holding
    // a hand-written layout may type a colour as a plain number. A text entry read as a number
    // takes its decimal value when it has one. Any other type mismatch yields the default.
    qint32 readInt(const QString& name, qint32 defaultValue) const;
    bool readBool(const QString& name, bool defaultValue) const;
    QString readText(const QString& name, const QString& defaultValue) const;
    OleColor readColour(const QString& name, OleColor defaultValue) const;
    StoredPicture readPicture(const QString& name, const StoredPicture& defaultValue = {}) const;
    StoredFont readFont(const QString& name, const StoredFont& defaultValue) const;

    // No write default means the entry is always written.
    void writeInt(const QString& name, qint32 value, std::optional<qint32> writeDefault = {});
    void writeBool(const QString& name, bool value, std::optional<bool> writeDefault = {});
    void writeText(const QString& name, const QString& value,
                   std::optional<QString> writeDefault = {});
    void writeColour(const QString& name, OleColor value,
                     std::optional<OleColor> writeDefault = {});
    void writePicture(const QString& name, const StoredPicture& value,
                      std::optional<StoredPicture> writeDefault = {});
    void writeFont(const QString& name, const StoredFont& value,
                   std::optional<StoredFont> writeDefault = {});

    // Readable text form: a JSON array of {"name", "type", "value"} objects in entry order.
    // Colours are "0x00BBGGRR" texts, pictures base64 PNG, fonts objects of their fields.
    QJsonArray toJsonArray() const;
    QByteArray toJson() const;
    // Rejects unknown types, values of the wrong shape, integers beyond 32 bits, pictures that
    // are not PNG and names given twice; the error text says which entry failed.
    static std::optional<PropertyBag> fromJsonArray(const QJsonArray& array,
                                                    QString* error = nullptr);
    static std::optional<PropertyBag> fromJson(const QByteArray& json, QString* error = nullptr);

    static QString typeName(Type type);

    bool operator==(const PropertyBag&) const = default;

private:
    qsizetype indexOf(const QString& name) const;
    void store(const QString& name, Value value);
    void remove(const QString& name);
    template <typename T>
    void write(const QString& name, const T& value, const std::optional<T>& writeDefault);

    QList<Entry> m_entries;
};

} // namespace kelvane
