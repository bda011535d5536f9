#include "platform/PropertyBag.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace kelvane;
using namespace Qt::StringLiterals;

namespace {

QImage twoColourImage()
{
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(qRgb(255, 0, 0));
    image.setPixel(1, 1, qRgba(0, 0, 255, 128));
    return image;
}

StoredFont songTi()
{
    return StoredFont{u"宋体"_s, 9, 400, 134, false, true, false};
}

QStringList names(const PropertyBag& bag)
{
    QStringList result;
    for (const auto& entry : bag.entries())
        result.append(entry.name);
    return result;
}

} // namespace

TEST(PropertyBagTest, MissingEntriesReadAsTheGivenDefault)
{
    PropertyBag bag;
    EXPECT_EQ(bag.readInt(u"Style"_s, 3), 3);
    EXPECT_TRUE(bag.readBool(u"Enabled"_s, true));
    EXPECT_EQ(bag.readText(u"Caption"_s, u"SkinButton"_s), u"SkinButton"_s);
    EXPECT_EQ(bag.readColour(u"BackColor"_s, 0x8000000Fu), 0x8000000Fu);
    EXPECT_TRUE(bag.readPicture(u"Icon"_s).png.isEmpty());
    EXPECT_EQ(bag.readFont(u"Font"_s, songTi()), songTi());
}

TEST(PropertyBagTest, NamesMatchWithoutRegardToCase)
{
    PropertyBag bag;
    bag.writeInt(u"inonthemestyle"_s, 0);
    EXPECT_EQ(bag.readInt(u"iNonThemeStyle"_s, 5), 0);
    bag.writeInt(u"INONTHEMESTYLE"_s, 7);
    EXPECT_EQ(bag.size(), 1); // the same entry, rewritten in place
    EXPECT_EQ(bag.readInt(u"inonthemestyle"_s, 5), 7);
}

TEST(PropertyBagTest, ValuesEqualToTheWriteDefaultAreNotStored)
{
    PropertyBag bag;
    bag.writeInt(u"Style"_s, 3, 3);
    bag.writeText(u"Caption"_s, QString(), QString());
    bag.writeBool(u"Enabled"_s, true, true);
    bag.writeColour(u"BackColor"_s, 0xC0C0C0, 0xC0C0C0);
    EXPECT_TRUE(bag.isEmpty());

    bag.writeInt(u"Style"_s, 9, 3);
    bag.writeInt(u"Style"_s, 3, 3); // back to the default: the old entry must not survive
    EXPECT_FALSE(bag.contains(u"style"_s));
    EXPECT_EQ(bag.readInt(u"Style"_s, 3), 3);
}

TEST(PropertyBagTest, EntriesWithoutWriteDefaultAreAlwaysStored)
{
    PropertyBag bag;
    bag.writeText(u"Tooltiptitle"_s, QString());
    bag.writeInt(u"ToolTipIcon"_s, 0);
    bag.writePicture(u"Icon"_s, {});
    EXPECT_EQ(names(bag), (QStringList{u"Tooltiptitle"_s, u"ToolTipIcon"_s, u"Icon"_s}));
}

TEST(PropertyBagTest, EntriesKeepTheirWrittenOrder)
{
    PropertyBag bag;
    bag.writeInt(u"_extentx"_s, 2778);
    bag.writeInt(u"_extenty"_s, 529);
    bag.writeText(u"caption"_s, u"检查更新"_s);
    bag.writeInt(u"style"_s, 9);
    bag.writeText(u"Caption"_s, u"停止"_s); // rewriting keeps the place
    EXPECT_EQ(names(bag), (QStringList{u"_extentx"_s, u"_extenty"_s, u"Caption"_s, u"style"_s}));
}

TEST(PropertyBagTest, NumbersColoursAndBooleansConvertOnReading)
{
    PropertyBag bag;
    bag.writeInt(u"BackColor"_s, 0x00FF8000);
    bag.writeColour(u"Style"_s, 9);
    bag.writeInt(u"Value"_s, 1);
    bag.writeBool(u"Enabled"_s, false);
    bag.writeText(u"IconSize"_s, u"24"_s);
    bag.writeText(u"Caption"_s, u"x"_s);
    EXPECT_EQ(bag.readColour(u"BackColor"_s, 0), 0x00FF8000u);
    EXPECT_EQ(bag.readInt(u"Style"_s, 3), 9);
    EXPECT_TRUE(bag.readBool(u"Value"_s, false));
    EXPECT_EQ(bag.readInt(u"Enabled"_s, 5), 0);
    EXPECT_EQ(bag.readInt(u"IconSize"_s, 16), 24);
    EXPECT_EQ(bag.readInt(u"Caption"_s, 16), 16); // not a number: the default
    EXPECT_EQ(bag.readFont(u"Caption"_s, songTi()), songTi());
}

TEST(PropertyBagTest, PicturesKeepTheirPixels)
{
    PropertyBag bag;
    bag.writePicture(u"Icon"_s, StoredPicture::fromImage(twoColourImage()));
    const QImage back = bag.readPicture(u"icon"_s).toImage();
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.convertToFormat(QImage::Format_ARGB32), twoColourImage());
}

TEST(PropertyBagTest, FontsKeepFaceSizeWeightCharsetAndStyles)
{
    const StoredFont font{u"Verdana"_s, 8.25, 700, 0, true, false, true};
    const QFont qfont = font.toQFont();
    EXPECT_EQ(qfont.family(), u"Verdana"_s);
    EXPECT_DOUBLE_EQ(qfont.pointSizeF(), 8.25);
    EXPECT_EQ(qfont.weight(), QFont::Bold);
    EXPECT_TRUE(qfont.italic());
    EXPECT_TRUE(qfont.strikeOut());
    EXPECT_EQ(StoredFont::fromQFont(qfont, 0), font);
}

TEST(PropertyBagTest, TextFormRoundTripsOrderTypesAndValues)
{
    PropertyBag bag;
    bag.writeInt(u"_extentx"_s, 2778);
    bag.writePicture(u"icon"_s, {});
    bag.writePicture(u"Picture"_s, StoredPicture::fromImage(twoColourImage()));
    bag.writeInt(u"style"_s, -9);
    bag.writeText(u"caption"_s, u"检查更新 \"quoted\""_s);
    bag.writeBool(u"Enabled"_s, false);
    bag.writeColour(u"ttforecolor"_s, 0x80000018);
    bag.writeColour(u"BackColor"_s, 0);
    bag.writeFont(u"font"_s, songTi());

    const QByteArray json = bag.toJson();
    QString error;
    const auto back = PropertyBag::fromJson(json, &error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(*back, bag);
    EXPECT_EQ(back->entries().at(6).type(), PropertyBag::Type::Colour);
    EXPECT_EQ(back->entries().at(3).type(), PropertyBag::Type::Integer);

    // Readable by a person: colours in hex, fonts as fields.
    const QJsonArray array = QJsonDocument::fromJson(json).array();
    EXPECT_EQ(array.at(6).toObject().value(u"value").toString(), u"0x80000018"_s);
    EXPECT_EQ(array.at(8).toObject().value(u"value").toObject().value(u"charset").toInt(), 134);
}

TEST(PropertyBagTest, HandWrittenTextFormIsRead)
{
    const QByteArray json = R"([
        {"name": "_extentx", "type": "integer", "value": 2778},
        {"name": "ttforecolor", "type": "colour", "value": 0},
        {"name": "backcolor", "type": "colour", "value": "0x00ff8000"},
        {"name": "font", "type": "font", "value": {"face": "Verdana", "size": 8.25,
                                                   "weight": 400, "charset": 0}}
    ])";
    const auto bag = PropertyBag::fromJson(json);
    ASSERT_TRUE(bag);
    EXPECT_EQ(bag->readColour(u"BackColor"_s, 1), 0x00FF8000u);
    EXPECT_EQ(bag->readColour(u"ttForeColor"_s, 1), 0u);
    EXPECT_EQ(bag->readFont(u"Font"_s, {}), (StoredFont{u"Verdana"_s, 8.25, 400, 0}));
}

TEST(PropertyBagTest, MalformedTextFormIsRejectedWithTheFailingEntry)
{
    const char* bad[] = {
        R"({"name": "x"})",
        R"([{"name": "x", "type": "integer", "value": 4294967296}])",
        R"([{"name": "x", "type": "integer", "value": 1.5}])",
        R"([{"name": "x", "type": "boolean", "value": 1}])",
        R"([{"name": "x", "type": "colour", "value": "red"}])",
        R"([{"name": "x", "type": "picture", "value": "bm90IGEgcG5n"}])",
        R"([{"name": "x", "type": "font", "value": {"face": "A", "size": 9}}])",
        R"([{"name": "x", "type": "vector", "value": 1}])",
        R"([{"name": "", "type": "integer", "value": 1}])",
        R"([{"name": "x", "type": "integer", "value": 1}, {"name": "X", "type": "integer", "value": 2}])",
    };
    for (const char* json : bad) {
        QString error;
        EXPECT_FALSE(PropertyBag::fromJson(json, &error)) << json;
        EXPECT_FALSE(error.isEmpty()) << json;
    }
    QString error;
    PropertyBag::fromJson(R"([{"name": "a", "type": "text", "value": "ok"},
                             {"name": "b", "type": "text", "value": 3}])",
                          &error);
    EXPECT_TRUE(error.startsWith(u"entry 2"_s)) << error.toStdString();
}
