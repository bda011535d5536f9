// Every window against its design tables: kind, rectangle in pixels, caption, font, colour, tab
// order and visibility of each control, and the stored button settings read back through the
// buttons' own properties. The expected values are written out here, not read from the layouts.
#include "app/tests/AppFixture.h"
#include "button/SkinButton.h"
#include "downloader/FileDownloader.h"
#include "player/MediaPlayer.h"
#include "windows/Artwork.h"
#include "windows/Controls.h"
#include "windows/FadingForms.h"
#include "windows/RadioWindow.h"
#include "windows/TvWindow.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTranslator>

using namespace kelvane;
using namespace kelvane::test;

namespace {

struct Expected
{
    const char* name;
    QRect pixels;
    int tab;      // -1: not in the keyboard order
    bool visible; // at start
};

QWidget* child(QWidget* window, const char* name)
{
    auto* w = window->findChild<QWidget*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

void checkControls(QWidget* window, const std::vector<Expected>& table)
{
    QList<QWidget*> byTab;
    for (const Expected& e : table) {
        SCOPED_TRACE(e.name);
        QWidget* w = child(window, e.name);
        if (w == nullptr)
            continue;
        if (!e.pixels.isNull()) {
            EXPECT_EQ(w->geometry(), e.pixels);
        }
        EXPECT_EQ(!w->isHidden(), e.visible);
        if (e.tab >= 0) {
            if (byTab.size() <= e.tab)
                byTab.resize(e.tab + 1);
            byTab[e.tab] = w;
        }
    }
    // Each control's next one in the focus chain, among those with a tab position (labels hold
    // tab positions but never take the focus).
    byTab.removeAll(nullptr);
    for (qsizetype i = 0; i + 1 < byTab.size(); ++i) {
        QWidget* next = byTab[i]->nextInFocusChain();
        while (next != nullptr && !byTab.contains(next))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, byTab[i + 1]) << "after tab " << i;
    }
}

QColor textColour(QWidget* w, QPalette::ColorRole role)
{
    return w->palette().color(role);
}

void checkButton(SkinButton* b, const QString& caption, const QString& face, double size,
                 int charset)
{
    SCOPED_TRACE(caption.toStdString());
    EXPECT_EQ(b->Caption(), caption);
    EXPECT_EQ(b->Style(), 9);
    EXPECT_EQ(b->IconAlign(), 1);
    EXPECT_EQ(b->NonThemeStyle(), 0);
    EXPECT_EQ(b->ToolTipType(), 0);
    EXPECT_EQ(b->ToolTipForeColor(), 0u);
    EXPECT_EQ(b->Font().face, face);
    EXPECT_DOUBLE_EQ(b->Font().size, size);
    EXPECT_EQ(b->Font().weight, 400);
    EXPECT_EQ(b->Font().charset, charset);
}

class LayoutTest : public AppFixture
{};

} // namespace

TEST_F(LayoutTest, RadioWindow)
{
    auto* w = dynamic_cast<RadioWindow*>(forms.show("frmMain"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Kelvane");
    EXPECT_EQ(w->size(), QSize(351, 312));
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(w->windowIcon().isNull());
    checkControls(w, {
                         {"wmpr", QRect(72, 88, 272, 61), 0, true},
                         {"rLista", QRect(72, 104, 273, 112), 1, true},
                         {"Label1", QRect(280, 56, 65, 17), -1, true},
                         {"bbStop", QRect(296, 216, 41, 20), 3, true},
                         {"bbUpdate", QRect(0, 56, 105, 20), 4, true},
                         {"Text", QRect(24, 328, 233, 19), 5, true},
                         {"Label2_0", QRect(341, 0, 9, 17), -1, true},
                         {"Label2_1", QRect(1, 0, 9, 17), -1, true},
                         {"Gg1", QRect(0, 280, 353, 33), -1, true},
                         {"Image1", QRect(264, 240, 89, 41), -1, true},
                     });
    // The list stacks over the lower 45 pixels of the player.
    EXPECT_EQ(w->wmpr->geometry().intersected(w->rLista->geometry()).height(), 45);
    EXPECT_GT(w->children().indexOf(w->rLista), w->children().indexOf(w->wmpr));
    EXPECT_GE(w->Text->y(), w->height()); // below the client area
    EXPECT_EQ(textColour(w->rLista, QPalette::Text), QColor(255, 128, 0));
    EXPECT_EQ(textColour(w->Label1, QPalette::WindowText), QColor(192, 64, 0));
    EXPECT_EQ(w->Label1->text(), QStringLiteral("关于"));
    for (auto* x : w->Label2) {
        EXPECT_EQ(x->text(), "X");
        EXPECT_TRUE(x->font().bold());
        EXPECT_EQ(x->font().families().value(0), "Arial");
        EXPECT_DOUBLE_EQ(x->font().pointSizeF(), 9);
    }
    EXPECT_EQ(w->Image1->cursor().shape(), Qt::BitmapCursor); // the hand pointer
    EXPECT_TRUE(w->Text->text().endsWith("/fmstacionet.dat"));
    EXPECT_FALSE(w->FileDownloader->isVisible());
    EXPECT_EQ(w->FileDownloader->size(), QSize(68, 63));
    EXPECT_EQ(w->FileDownloader->pos(), QPoint(264, 304));
    checkButton(w->bbStop, QStringLiteral("停止"), QStringLiteral("宋体"), 9, 134);
    checkButton(w->bbUpdate, QStringLiteral("检查更新"), QStringLiteral("宋体"), 9, 134);
    EXPECT_EQ(w->wmpr->settings().uiMode, "mini");
    EXPECT_EQ(w->wmpr->volume(), 50);
    EXPECT_TRUE(w->wmpr->settings().autoStart);
    EXPECT_FALSE(w->wmpr->settings().enableContextMenu);
    EXPECT_FALSE(w->wmpr->isMuted());
}

TEST_F(LayoutTest, TvWindow)
{
    auto* w = dynamic_cast<TvWindow*>(forms.show("frmMainTV"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Kelvane");
    EXPECT_EQ(w->size(), QSize(352, 313));
    checkControls(w, {
                         {"tLista", QRect(96, 96, 249, 109), 0, true},
                         {"Label1", QRect(280, 48, 73, 17), -1, true},
                         {"bbUpdate", QRect(0, 56, 105, 20), 2, true},
                         {"Text", QRect(24, 336, 257, 21), 3, true},
                         {"sAdult", QRect(104, 208, 233, 25), 4, true},
                         {"hAdult", QRect(104, 208, 233, 25), 5, false},
                         {"Label2_0", QRect(344, 0, 9, 17), -1, true},
                         {"Label2_1", QRect(0, 0, 9, 17), -1, true},
                         {"aLista", QRect(96, 96, 249, 100), 8, false},
                         {"Text1", QRect(232, 176, 97, 19), 9, false},
                         {"Gg1", QRect(0, 280, 353, 33), -1, true},
                         {"Image1", QRect(264, 240, 73, 41), -1, true},
                     });
    EXPECT_EQ(textColour(w->tLista, QPalette::Text), QColor(255, 128, 0));
    EXPECT_EQ(textColour(w->aLista, QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(w->tLista->font().families().value(0), "Arial");
    EXPECT_EQ(w->Label1->font().families().value(0), "Arial");
    EXPECT_FALSE(w->Label1->font().bold());
    EXPECT_EQ(w->Image1->cursor().shape(), Qt::ArrowCursor);
    EXPECT_GE(w->Text->y(), w->height());
    EXPECT_EQ(w->FileDownloader->pos(), QPoint(240, 352));
    checkButton(w->bbUpdate, QStringLiteral("检查更新"), QStringLiteral("宋体"), 9, 134);
    checkButton(w->sAdult, QStringLiteral("显示媒体链接"), QStringLiteral("Verdana"), 8.25, 0);
    checkButton(w->hAdult, QStringLiteral("隐藏"), QStringLiteral("宋体"), 9, 134);
}

TEST_F(LayoutTest, SplashAndAboutWindows)
{
    auto* splash = dynamic_cast<SplashForm*>(forms.show("frmSplash"));
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->windowTitle(), "Splash Kelvane");
    EXPECT_EQ(splash->size(), QSize(259, 86));
    EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(splash->Label1->geometry(), QRect(32, 32, 201, 25));
    EXPECT_EQ(splash->Label1->text(), "Load ...");
    EXPECT_TRUE(splash->Label1->autoFillBackground()); // the one label with a background
    EXPECT_TRUE(splash->Label1->font().bold());
    EXPECT_DOUBLE_EQ(splash->Label1->font().pointSizeF(), 15);
    EXPECT_TRUE(splash->Timer3.Enabled());
    EXPECT_EQ(splash->Timer3.Interval(), 1);
    EXPECT_FALSE(splash->Trans.Enabled());
    EXPECT_EQ(splash->Trans.Interval(), 1);
    EXPECT_FALSE(splash->Timer1.Enabled());
    EXPECT_EQ(splash->Timer1.Interval(), 5000);

    auto* about = dynamic_cast<AboutForm*>(forms.show("frmAbout"));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), " About Kelvane");
    EXPECT_EQ(about->size(), QSize(352, 279));
    EXPECT_EQ(pictureC().size(), about->size()); // the picture fills it edge to edge
    EXPECT_TRUE(about->Timer3.Enabled());
    EXPECT_EQ(about->Timer1.Interval(), 5000);
}

TEST_F(LayoutTest, EachWindowShowsItsPictureAtItsOwnSize)
{
    // The window as painted, compared with its picture where no control covers it: drawn from
    // the top left corner, unscaled. A picture stretched to the window, moved or missing would
    // differ almost everywhere.
    const struct
    {
        const char* form;
        QPixmap picture;
        QSize size;
    } windows[] = {
        {"frmMain", pictureA(), QSize(352, 279)},
        {"frmMainTV", pictureA(), QSize(352, 279)},
        {"frmAbout", pictureC(), QSize(352, 279)},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.form);
        QWidget* window = forms.show(QString::fromLatin1(w.form));
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(w.picture.size(), w.size);
        const QImage shown = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage drawn = w.picture.toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), window->size());
        QRegion bare(QRect(QPoint(), drawn.size()).intersected(window->rect()));
        for (QWidget* c : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (c->isVisible())
                bare -= c->geometry();
        }
        int same = 0;
        int total = 0;
        for (const QRect& r : bare) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                for (int x = r.left(); x <= r.right(); ++x) {
                    ++total;
                    same += shown.pixel(x, y) == drawn.pixel(x, y) ? 1 : 0;
                }
            }
        }
        ASSERT_GT(total, 5000) << "too little of the picture is uncovered to judge";
        EXPECT_GE(double(same) / total, 0.99) << same << " of " << total << " pixels";
        forms.unload(QString::fromLatin1(w.form));
        flushEvents();
    }
}

TEST(QtTexts, StandardButtonsSpeakChinese)
{
    const std::unique_ptr<QTranslator> texts(kelvane::installQtChinese());
    ASSERT_NE(texts, nullptr) << "qt6-translations-l10n (scripts/setup adds it)";
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
}
