#include "button/tests/ButtonRenderFixture.h"

#include <QPainter>

using namespace kelvane;
using namespace kelvane::test;

namespace {

// The settings the program's windows store for their buttons.
PropertyBag programButtonBag(const QString& caption, const StoredFont& font)
{
    PropertyBag bag;
    bag.writePicture(u"icon"_s, {});
    bag.writeInt(u"style"_s, 9);
    bag.writeText(u"caption"_s, caption);
    bag.writeInt(u"iconalign"_s, 1);
    bag.writeInt(u"inonthemestyle"_s, 0);
    bag.writeText(u"tooltiptitle"_s, QString());
    bag.writeInt(u"tooltipicon"_s, 0);
    bag.writeInt(u"tooltiptype"_s, 0);
    bag.writeColour(u"ttforecolor"_s, 0);
    bag.writeFont(u"font"_s, font);
    return bag;
}

const StoredFont kSongTi{u"宋体"_s, 9, 400, 134};
const StoredFont kVerdana{u"Verdana"_s, 8.25, 400, 0};

// The box of the pixels where two pictures differ.
QRect differenceBox(const QImage& a, const QImage& b)
{
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

using ButtonCaptionTest = ButtonRenderTest;

TEST_F(ButtonCaptionTest, AmpersandUnderlinesTheNextCharacter)
{
    PropertyBag bag;
    bag.writeFont(u"Font"_s, StoredFont{u"DejaVu Sans"_s, 10, 400, 0});
    place(0, QSize(100, 30), bag);
    const QImage blank = shot();
    auto inkOf = [&](const QString& caption) {
        button->setCaption(caption);
        return differenceBox(shot(), blank);
    };
    const QRect plain = inkOf(u"W"_s);
    const QRect marked = inkOf(u"&W"_s);
    EXPECT_EQ(marked.left(), plain.left()); // no "&" drawn
    EXPECT_EQ(marked.right(), plain.right());
    EXPECT_GT(marked.bottom(), plain.bottom()); // the underline
    const QRect doubled = inkOf(u"&&"_s);
    EXPECT_LT(doubled.width(), plain.width() * 2); // one "&"
    EXPECT_FALSE(doubled.isEmpty());
}

TEST_F(ButtonCaptionTest, ProgramButtonsDrawTheirChineseCaptionWhole)
{
    // The CJK face standing in for 宋体 is taller than it; the glyphs must still fit the
    // 12-row caption box whole.
    place(9, QSize(105, 20), programButtonBag(u"检查更新"_s, kSongTi));
    const QImage captioned = shot();
    button->setCaption(u" "_s);
    const QRect ink = differenceBox(captioned, shot());
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.center().x(), 52, 2);
    EXPECT_NEAR(ink.center().y(), 9.5, 1.5);
    EXPECT_GE(ink.height(), 10);
    EXPECT_GE(ink.width(), 40);
    EXPECT_GE(ink.top(), 4);
    EXPECT_LE(ink.bottom(), 15);

    const QString path = qEnvironmentVariable("KELVANE_BUTTON_PNG");
    if (path.isEmpty())
        return;
    // A sheet of the program's buttons in every state, for looking at.
    const int scale = 3;
    QImage sheet(2 * 115 * scale, 7 * 36 * scale, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    const struct
    {
        QString caption;
        StoredFont font;
    } buttons[] = {{u"检查更新"_s, kSongTi}, {u"停止"_s, kVerdana}};
    for (int column = 0; column < 2; ++column) {
        delete button;
        place(9, QSize(105, 20), programButtonBag(buttons[column].caption, buttons[column].font));
        auto draw = [&](int row) {
            QImage image = shot();
            // The window's outline cuts the corners on screen; the grab does not.
            const QRegion outline = button->mask();
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (!outline.contains(QPoint(x, y)))
                        image.setPixel(x, y, qRgb(255, 255, 255));
            painter.drawImage(QRect(column * 115 * scale + 5 * scale, row * 36 * scale + 3 * scale,
                                    image.width() * scale, image.height() * scale),
                              image);
        };
        draw(0);
        hover();
        draw(1);
        press();
        draw(2);
        release();
        button->setEnabled(false);
        draw(3);
        button->setEnabled(true);
        leave();
        button->setStyle(10);
        button->resize(105, 30);
        draw(4);
        hover();
        draw(5);
        press();
        draw(6);
        release();
    }
    painter.end();
    sheet.save(path);
}
