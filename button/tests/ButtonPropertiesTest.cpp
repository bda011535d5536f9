#include "button/ButtonColors.h"
#include "button/tests/ButtonFixture.h"

#include <QApplication>
#include <QMetaMethod>
#include <QSignalSpy>

using namespace kelvane;
using namespace kelvane::test;

namespace {

OleColor system(int index)
{
    return static_cast<OleColor>(SystemColorRGB(index));
}

QStringList names(const PropertyBag& bag)
{
    QStringList result;
    for (const auto& entry : bag.entries())
        result.append(entry.name);
    return result;
}

// Writes the button's bag and places a fresh button from it.
std::unique_ptr<SkinButton> reloaded(const SkinButton& button, Shell& shell)
{
    PropertyBag bag;
    button.UserControl_WriteProperties(bag);
    auto copy = std::make_unique<SkinButton>(shell);
    copy->UserControl_ReadProperties(bag);
    return copy;
}

} // namespace

class ButtonPropertiesTest : public ::testing::Test
{
protected:
    RecordingShell shell;
    SkinButton button{shell};
};

TEST_F(ButtonPropertiesTest, EmptyBagLoadsTheReadDefaults)
{
    button.setHostToolTip(u"host tip"_s);
    button.UserControl_ReadProperties(PropertyBag());
    EXPECT_EQ(button.Style(), 3);
    EXPECT_EQ(button.Caption(), u"SkinButton"_s);
    EXPECT_EQ(button.IconSize(), 16);
    EXPECT_EQ(button.CaptionAlign(), 0);
    EXPECT_EQ(button.IconAlign(), 1);
    EXPECT_EQ(button.NonThemeStyle(), 5);
    EXPECT_TRUE(button.Enabled());
    EXPECT_FALSE(button.ShowFocus());
    EXPECT_FALSE(button.UseCustomColors());
    EXPECT_EQ(button.BackColor(), system(kColorButtonFace));
    EXPECT_EQ(button.HighlightColor(), system(kColorHighlight));
    EXPECT_EQ(button.FontColor(), system(kColorButtonText));
    EXPECT_EQ(button.FontHighlightColor(), system(kColorButtonText));
    EXPECT_EQ(button.ToolTip(), u"host tip"_s);
    EXPECT_TRUE(button.ToolTipTitle().isEmpty());
    EXPECT_EQ(button.ToolTipIcon(), 0);
    EXPECT_EQ(button.ToolTipType(), 1);
    // Crossed on purpose: the tip's background defaults to the tooltip text colour.
    EXPECT_EQ(button.ToolTipBackColor(), system(kColorInfoText));
    EXPECT_EQ(button.ToolTipForeColor(), system(kColorInfoBackground));
    EXPECT_EQ(button.Font(), (StoredFont{u"Verdana"_s, 8.25, 400, 0}));
    EXPECT_EQ(button.ButtonType(), 0);
    EXPECT_FALSE(button.Value());
    EXPECT_TRUE(button.Icon().isNull());
    EXPECT_EQ(button.ButtonState(), ButtonStates::Normal);
}

TEST_F(ButtonPropertiesTest, NewControlTakesItsInstanceNameAndNewControlValues)
{
    button.setObjectName(u"bbUpdate"_s);
    button.UserControl_InitProperties();
    EXPECT_EQ(button.Caption(), u"bbUpdate"_s);
    EXPECT_EQ(button.Style(), 0);
    EXPECT_EQ(button.NonThemeStyle(), 0);
    EXPECT_EQ(button.IconAlign(), 0);
    EXPECT_EQ(button.ToolTipType(), 0);
    EXPECT_EQ(button.ToolTipBackColor(), 0u);
    EXPECT_EQ(button.ToolTipForeColor(), 0u);
    EXPECT_EQ(button.IconSize(), 16);
    EXPECT_TRUE(button.Enabled());
    // Stored as RGB values, not as references to the system colours.
    EXPECT_EQ(button.BackColor(), system(kColorButtonFace));
    EXPECT_EQ(button.BackColor() & kSystemColorFlag, 0u);
    EXPECT_EQ(button.FontHighlightColor(), system(kColorButtonText));
    EXPECT_EQ(button.Font().face, u"Verdana"_s);
    EXPECT_DOUBLE_EQ(button.Font().size, 8.25);
    EXPECT_FALSE(button.TrackMouseAvailable());
}

TEST_F(ButtonPropertiesTest, IconAlignZeroReloadsAsOneAndEmptyCaptionAsSkinButton)
{
    button.UserControl_InitProperties();
    button.setIconAlign(0);
    button.setCaption(QString());
    const auto copy = reloaded(button, shell);
    EXPECT_EQ(copy->IconAlign(), 1);
    EXPECT_EQ(copy->Caption(), u"SkinButton"_s);
}

TEST_F(ButtonPropertiesTest, DefaultsAreNotWrittenAndReloadUnchanged)
{
    button.UserControl_ReadProperties(PropertyBag());
    PropertyBag bag;
    button.UserControl_WriteProperties(bag);
    for (const char* name :
         {"Style", "iNonThemeStyle", "IconSize", "Enabled", "ShowFocus", "USeCustomColors",
          "BackColor", "HighlightColor", "FontColor", "FontHighlightColor", "ttBackColor",
          "ttForeColor", "ButtonType", "Value", "CaptionAlign", "ToolTipText"})
        EXPECT_FALSE(bag.contains(QString::fromLatin1(name))) << name;
    const auto copy = reloaded(button, shell);
    EXPECT_EQ(copy->Style(), 3);
    EXPECT_EQ(copy->NonThemeStyle(), 5);
    EXPECT_EQ(copy->IconSize(), 16);
}

TEST_F(ButtonPropertiesTest, TooltipFieldsIconAndFontAreAlwaysWrittenInOrder)
{
    // Loaded from nothing, only caption and icon alignment differ from their write defaults.
    button.UserControl_ReadProperties(PropertyBag());
    PropertyBag bag;
    button.UserControl_WriteProperties(bag);
    EXPECT_EQ(names(bag), (QStringList{u"Icon"_s, u"Caption"_s, u"IconAlign"_s, u"Tooltiptitle"_s,
                                       u"ToolTipIcon"_s, u"ToolTipType"_s, u"Font"_s}));
    EXPECT_EQ(bag.readInt(u"ToolTipIcon"_s, -1), 0);
    EXPECT_EQ(bag.readText(u"Tooltiptitle"_s, u"missing"_s), QString());
}

TEST_F(ButtonPropertiesTest, EveryChangedPropertyIsWrittenInTheStoredOrder)
{
    button.UserControl_InitProperties();
    QImage icon(8, 8, QImage::Format_RGB32);
    icon.fill(Qt::red);
    button.setIcon(icon);
    button.setStyle(9);
    button.setCaption(u"检查更新"_s);
    button.setIconSize(24);
    button.setIconAlign(2);
    button.setCaptionAlign(3);
    button.setNonThemeStyle(7);
    button.setEnabled(false);
    button.setShowFocus(true);
    button.setUseCustomColors(true);
    button.setBackColor(RGB(1, 2, 3));
    button.setHighlightColor(RGB(4, 5, 6));
    button.setFontColor(RGB(7, 8, 9));
    button.setFontHighlightColor(RGB(10, 11, 12));
    button.setToolTip(u"tip"_s);
    button.setToolTipTitle(u"title"_s);
    button.setToolTipIcon(2);
    button.setToolTipType(1);
    button.setToolTipBackColor(RGB(13, 14, 15));
    button.setToolTipForeColor(systemColorReference(kColorWindow));
    button.setFont(StoredFont{u"宋体"_s, 9, 700, 134, true, false, false});
    button.setButtonType(1);
    button.setValue(true);

    PropertyBag bag;
    button.UserControl_WriteProperties(bag);
    EXPECT_EQ(names(bag), (QStringList{u"Icon"_s,           u"Style"_s,
                                       u"Caption"_s,        u"IconSize"_s,
                                       u"IconAlign"_s,      u"CaptionAlign"_s,
                                       u"iNonThemeStyle"_s, u"Enabled"_s,
                                       u"ShowFocus"_s,      u"USeCustomColors"_s,
                                       u"BackColor"_s,      u"HighlightColor"_s,
                                       u"FontColor"_s,      u"FontHighlightColor"_s,
                                       u"ToolTipText"_s,    u"Tooltiptitle"_s,
                                       u"ToolTipIcon"_s,    u"ToolTipType"_s,
                                       u"ttBackColor"_s,    u"ttForeColor"_s,
                                       u"Font"_s,           u"ButtonType"_s,
                                       u"Value"_s}));

    // Through the text form as a stored layout keeps it, then back into a button.
    const auto text = PropertyBag::fromJson(bag.toJson());
    ASSERT_TRUE(text);
    SkinButton copy(shell);
    copy.UserControl_ReadProperties(*text);
    EXPECT_EQ(copy.Icon().pixel(3, 3), QColor(Qt::red).rgb());
    EXPECT_EQ(copy.Style(), 9);
    EXPECT_EQ(copy.Caption(), u"检查更新"_s);
    EXPECT_EQ(copy.IconSize(), 24);
    EXPECT_EQ(copy.IconAlign(), 2);
    EXPECT_EQ(copy.CaptionAlign(), 3);
    EXPECT_EQ(copy.NonThemeStyle(), 7);
    EXPECT_FALSE(copy.Enabled());
    EXPECT_TRUE(copy.ShowFocus());
    EXPECT_TRUE(copy.UseCustomColors());
    EXPECT_EQ(copy.BackColor(), RGB(1, 2, 3));
    EXPECT_EQ(copy.HighlightColor(), RGB(4, 5, 6));
    EXPECT_EQ(copy.FontColor(), RGB(7, 8, 9));
    EXPECT_EQ(copy.FontHighlightColor(), RGB(10, 11, 12));
    EXPECT_EQ(copy.ToolTip(), u"tip"_s);
    EXPECT_EQ(copy.ToolTipTitle(), u"title"_s);
    EXPECT_EQ(copy.ToolTipIcon(), 2);
    EXPECT_EQ(copy.ToolTipType(), 1);
    EXPECT_EQ(copy.ToolTipBackColor(), RGB(13, 14, 15));
    EXPECT_EQ(copy.ToolTipForeColor(), systemColorReference(kColorWindow));
    EXPECT_EQ(copy.Font(), (StoredFont{u"宋体"_s, 9, 700, 134, true, false, false}));
    EXPECT_EQ(copy.font().weight(), QFont::Bold); // the drawing font follows
    EXPECT_EQ(copy.ButtonType(), 1);
    EXPECT_TRUE(copy.Value());
}

TEST_F(ButtonPropertiesTest, StoredLowerCaseNamesAreRead)
{
    // The entries of a stored window layout, in their stored order and spelling.
    const auto bag = PropertyBag::fromJson(R"([
        {"name": "_extentx", "type": "integer", "value": 2778},
        {"name": "_extenty", "type": "integer", "value": 529},
        {"name": "icon", "type": "picture", "value": ""},
        {"name": "style", "type": "integer", "value": 9},
        {"name": "caption", "type": "text", "value": "停止"},
        {"name": "iconalign", "type": "integer", "value": 1},
        {"name": "inonthemestyle", "type": "integer", "value": 0},
        {"name": "tooltiptitle", "type": "text", "value": ""},
        {"name": "tooltipicon", "type": "integer", "value": 0},
        {"name": "tooltiptype", "type": "integer", "value": 0},
        {"name": "ttforecolor", "type": "colour", "value": 0},
        {"name": "font", "type": "font",
         "value": {"face": "宋体", "size": 9, "weight": 400, "charset": 134}}
    ])");
    ASSERT_TRUE(bag);
    button.UserControl_ReadProperties(*bag);
    EXPECT_EQ(button.Style(), 9);
    EXPECT_EQ(button.Caption(), u"停止"_s);
    EXPECT_EQ(button.IconAlign(), 1);
    EXPECT_EQ(button.NonThemeStyle(), 0);
    EXPECT_EQ(button.ToolTipType(), 0);
    EXPECT_EQ(button.ToolTipForeColor(), 0u);
    EXPECT_EQ(button.ToolTipBackColor(), system(kColorInfoText));
    EXPECT_EQ(button.Font().charset, 134);
    EXPECT_TRUE(button.Icon().isNull());
}

TEST_F(ButtonPropertiesTest, OutOfRangeIconSizeKeepsTheDefault)
{
    PropertyBag bag;
    bag.writeInt(u"IconSize"_s, 70000);
    button.UserControl_ReadProperties(bag);
    EXPECT_EQ(button.IconSize(), 16);
}

TEST_F(ButtonPropertiesTest, SettersReportTheirNames)
{
    button.UserControl_InitProperties();
    QSignalSpy changed(&button, &SkinButton::PropertyChanged);
    button.setStyle(1);
    button.setCaption(u"x"_s);
    button.setIcon(QImage());
    button.setIconAlign(1);
    button.setIconSize(20);
    button.setCaptionAlign(1);
    button.setNonThemeStyle(1);
    button.setShowFocus(true);
    button.setUseCustomColors(true);
    button.setBackColor(1);
    button.setHighlightColor(1);
    button.setFontColor(1);
    button.setFontHighlightColor(1);
    button.setToolTip(u"t"_s);
    button.setToolTipTitle(u"t"_s);
    button.setToolTipIcon(1);
    button.setToolTipType(1);
    button.setToolTipBackColor(1);
    button.setToolTipForeColor(1);
    button.setFont(StoredFont{u"Arial"_s, 9, 400, 0});
    button.setButtonType(1);
    button.setValue(true);
    button.setEnabled(false);
    QStringList reported;
    for (const auto& call : changed)
        reported.append(call.at(0).toString());
    EXPECT_EQ(reported, (QStringList{u"Style"_s,
                                     u"Caption"_s,
                                     u"Icon"_s,
                                     u"IconAlign"_s,
                                     u"IconSize"_s,
                                     u"CaptionAlign"_s,
                                     u"NonThemeStyle"_s,
                                     u"ShowFocus"_s,
                                     u"UseCustomColors"_s,
                                     u"BackColor"_s,
                                     u"HighlightColor"_s,
                                     u"FontColor"_s,
                                     u"FontHighlightColor"_s,
                                     u"ToolTipText"_s,
                                     u"TooltipTitle"_s,
                                     u"TooltipIcon"_s,
                                     u"ToolTipType"_s,
                                     u"ToolTipBackColor"_s,
                                     u"ToolTipForeColor"_s,
                                     u"Font"_s,
                                     u"ButtonType"_s,
                                     u"Value"_s,
                                     u"Enabled"_s}));
}

TEST_F(ButtonPropertiesTest, SettersStoreBeforeReportingAndRepaintAfter)
{
    QWidget host;
    button.setParent(&host);
    button.UserControl_InitProperties();
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    PaintCounter paints(&button);
    QString seenCaption;
    int paintsWhenReported = -1;
    QObject::connect(&button, &SkinButton::PropertyChanged, [&] {
        seenCaption = button.Caption();
        paintsWhenReported = paints.count;
    });
    button.setCaption(u"after"_s);
    EXPECT_EQ(seenCaption, u"after"_s);
    EXPECT_EQ(paintsWhenReported, 0);
    EXPECT_GT(paints.count, 0);

    // The font repaints before it is reported.
    paints.count = 0;
    button.setFont(StoredFont{u"Arial"_s, 10, 400, 0});
    EXPECT_GT(paintsWhenReported, 0);
    // Enabled repaints before reporting, and takes the window's input away only after.
    paints.count = 0;
    bool windowEnabledWhenReported = false;
    QObject::connect(&button, &SkinButton::PropertyChanged,
                     [&] { windowEnabledWhenReported = button.isEnabled(); });
    button.setEnabled(false);
    EXPECT_GT(paintsWhenReported, 0);
    EXPECT_TRUE(windowEnabledWhenReported);
    EXPECT_FALSE(button.isEnabled());
    button.setParent(nullptr);
}

TEST_F(ButtonPropertiesTest, LayoutStepKeepsTheMinimumSizeAndCaptionFlags)
{
    button.UserControl_InitProperties();
    EXPECT_EQ(button.CaptionFormat(), 17); // word-wrapped until the first layout
    button.resize(10, 40);
    button.setCaptionAlign(7);
    EXPECT_EQ(button.CaptionFormat(), 17);
    EXPECT_EQ(button.width(), 20);
    EXPECT_EQ(button.height(), 40);
    EXPECT_EQ(button.ContentRect(), QRect(QPoint(4, 4), QPoint(16, 36)));
    const std::pair<int, int> formats[] = {{0, 37}, {1, 36}, {2, 38}, {3, 33}, {4, 41}, {9, 41}};
    for (auto [align, format] : formats) {
        button.setCaptionAlign(align);
        EXPECT_EQ(button.CaptionFormat(), format) << align;
    }
}

TEST_F(ButtonPropertiesTest, EventsAreDeclaredClickMouseEnterMouseLeave)
{
    const QMetaObject& meta = SkinButton::staticMetaObject;
    QStringList declared;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        if (meta.method(i).methodType() == QMetaMethod::Signal)
            declared.append(QString::fromLatin1(meta.method(i).name()));
    }
    ASSERT_GE(declared.size(), 3);
    EXPECT_EQ(declared.mid(0, 3), (QStringList{u"Click"_s, u"MouseEnter"_s, u"MouseLeave"_s}));
}

TEST_F(ButtonPropertiesTest, OpenLinkOpensOnlyWebPages)
{
    EXPECT_GT(button.OpenLink(u"https://shop.example.com/item?id=3"_s), 32);
    EXPECT_GT(button.OpenLink(u"http://example.com/"_s), 32);
    for (const char* link : {"file:///bin/sh", "/usr/bin/xterm", "calc.exe", "mailto:a@b.c",
                             "javascript:alert(1)", "", "http://"})
        EXPECT_EQ(button.OpenLink(QString::fromLatin1(link)), SkinButton::kOpenLinkFailed) << link;
    ASSERT_EQ(shell.opened.size(), 2);
    EXPECT_EQ(shell.opened.at(0), QUrl(u"https://shop.example.com/item?id=3"_s));

    shell.result = false; // the browser could not be started
    EXPECT_EQ(button.OpenLink(u"https://example.com/"_s), SkinButton::kOpenLinkFailed);
}

TEST_F(ButtonPropertiesTest, AboutShowsATopMostTitledWindowThatAClickHides)
{
    button.About();
    QWidget* about = button.AboutBox();
    ASSERT_TRUE(about);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about));
    EXPECT_TRUE(about->isWindow());
    EXPECT_EQ(about->windowTitle(), u"About SkinButton 3.0"_s);
    EXPECT_TRUE(about->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QTest::mouseClick(about->windowHandle(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(about->isVisible());
}

TEST_F(ButtonPropertiesTest, AboutPanelIs377By145InVerdana975)
{
    const QWidget* about = button.AboutBox();
    ASSERT_TRUE(about);
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(about->size(), QSize(377, 145));
    EXPECT_EQ(about->font().family(), u"Verdana"_s);
    EXPECT_DOUBLE_EQ(about->font().pointSizeF(), 9.75);
    EXPECT_EQ(about->font().weight(), QFont::Normal);
}

TEST_F(ButtonPropertiesTest, HostTooltipMovesIntoToolTipWhileShown)
{
    QWidget host;
    button.setParent(&host);
    button.UserControl_ReadProperties(PropertyBag());
    button.setHostToolTip(u"更新电台列表"_s);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    EXPECT_EQ(button.ToolTip(), u"更新电台列表"_s);
    EXPECT_TRUE(button.hostToolTip().isEmpty()); // only the button's own tip shows
    button.setToolTip(u"changed"_s);
    button.hide();
    EXPECT_EQ(button.hostToolTip(), u"changed"_s);
    button.show();
    EXPECT_EQ(button.ToolTip(), u"changed"_s);
    EXPECT_TRUE(button.hostToolTip().isEmpty());
    button.setParent(nullptr);
}

TEST_F(ButtonPropertiesTest, StoredToolTipSurvivesShowingWithoutAHostText)
{
    PropertyBag bag;
    bag.writeText(u"ToolTipText"_s, u"stored tip"_s);
    button.UserControl_ReadProperties(bag);
    button.show();
    EXPECT_EQ(button.ToolTip(), u"stored tip"_s);
    button.hide();
}

TEST(ButtonColorsTest, TranslateColorUsesTheApplicationPalette)
{
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Button, QColor(10, 20, 30));
    palette.setColor(QPalette::ToolTipText, QColor(1, 2, 3));
    palette.setColor(QPalette::ToolTipBase, QColor(250, 240, 230));
    QApplication::setPalette(palette);
    EXPECT_EQ(TranslateColor(systemColorReference(kColorButtonFace)), 0x1E140A);
    EXPECT_EQ(TranslateColor(systemColorReference(kColorInfoText)), 0x030201);
    EXPECT_EQ(TranslateColor(systemColorReference(kColorInfoBackground)), 0xE6F0FA);
    EXPECT_EQ(TranslateColor(RGB(255, 128, 0)), 0x0080FF);
    QApplication::setPalette(saved);
}

TEST(ButtonColorsTest, UntranslatableColoursGiveMinusOne)
{
    EXPECT_EQ(TranslateColor(0x80000063), -1); // no such system colour
    EXPECT_EQ(TranslateColor(0x80010005), -1);
    EXPECT_EQ(TranslateColor(0x01000003), -1); // a palette index
    EXPECT_EQ(TranslateColor(0xFFFFFFFF), -1);
    EXPECT_EQ(TranslateColor(0x02123456), 0x123456);
}
