#include "player/CompactBar.h"
#include "player/MediaPlayer.h"
#include "tests/support/TestUtil.h"

#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>

using namespace kelvane;
using namespace kelvane::test;

namespace {

const QRgb kMark = qRgb(255, 230, 190);

// A shown, active window: a focusable stand-in for the station list first, the bar below it.
class CompactBarTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(host.get());
        list = new QWidget(host.get());
        list->setFocusPolicy(Qt::StrongFocus);
        list->setFixedHeight(40);
        layout->addWidget(list);
        bar = new CompactBar(50, host.get());
        layout->addWidget(bar);
        host->resize(300, 120);
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
        host->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
        stops = bar->tabStops();
        ASSERT_EQ(stops.size(), 4);
    }

    void TearDown() override
    {
        host.reset();
        flushEvents();
    }

    QWindow* window() const { return host->windowHandle(); }

    // How many pixels of the widget's outermost 1-px frame have the focus mark's colour.
    static int markedEdgePixels(QWidget* widget)
    {
        const QImage img = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int n = 0;
        for (int x = 0; x < img.width(); ++x)
            n += (img.pixel(x, 0) == kMark) + (img.pixel(x, img.height() - 1) == kMark);
        for (int y = 1; y < img.height() - 1; ++y)
            n += (img.pixel(0, y) == kMark) + (img.pixel(img.width() - 1, y) == kMark);
        return n;
    }

    std::unique_ptr<QWidget> host;
    QWidget* list = nullptr;
    CompactBar* bar = nullptr;
    QList<QWidget*> stops;
};

} // namespace

TEST_F(CompactBarTest, TabWalksTheControlsInOrderAndAClickLeavesTheFocusWhereItWas)
{
    list->setFocus();
    for (QWidget* stop : stops) {
        QTest::keyClick(window(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), stop);
    }

    list->setFocus();
    QSignalSpy clicks(bar, &CompactBar::playPauseClicked);
    QTest::mouseClick(stops[0], Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(list->hasFocus());
    QTest::mouseClick(stops[3], Qt::LeftButton);
    EXPECT_TRUE(list->hasFocus());
}

TEST_F(CompactBarTest, SpaceAndEnterPressTheFocusedButton)
{
    using Signal = void (CompactBar::*)();
    const struct
    {
        int stop;
        Signal signal;
    } buttons[] = {{0, &CompactBar::playPauseClicked},
                   {1, &CompactBar::stopClicked},
                   {2, &CompactBar::muteClicked}};
    for (const auto& b : buttons) {
        for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
            SCOPED_TRACE(testing::Message() << "stop " << b.stop << ", key " << key);
            stops[b.stop]->setFocus(Qt::TabFocusReason);
            QSignalSpy pressed(bar, b.signal);
            QTest::keyClick(window(), key);
            EXPECT_EQ(pressed.count(), 1);
        }
    }
}

TEST_F(CompactBarTest, ArrowKeysStepTheVolumeByFive)
{
    stops[3]->setFocus(Qt::TabFocusReason);
    QSignalSpy changes(bar, &CompactBar::volumeChanged);
    const struct
    {
        Qt::Key key;
        int volume;
    } steps[] = {{Qt::Key_Right, 55}, {Qt::Key_Up, 60}, {Qt::Key_Left, 55}, {Qt::Key_Down, 50}};
    for (const auto& s : steps) {
        QTest::keyClick(window(), s.key);
        ASSERT_FALSE(changes.isEmpty());
        EXPECT_EQ(changes.takeLast().at(0).toInt(), s.volume) << "key " << s.key;
    }
}

TEST_F(CompactBarTest, TheFocusedControlAloneDrawsTheMarkAroundItself)
{
    list->setFocus();
    for (QWidget* stop : stops)
        EXPECT_EQ(markedEdgePixels(stop), 0);
    for (QWidget* stop : stops) {
        stop->setFocus(Qt::TabFocusReason);
        const int frame = 2 * (stop->width() + stop->height()) - 4;
        for (QWidget* other : stops)
            EXPECT_EQ(markedEdgePixels(other), other == stop ? frame : 0);
    }
}

TEST(MediaPlayerTabStops, AreTheBarsControlsAndNoneWithoutABar)
{
    MediaPlayerSettings settings;
    settings.extraOptions = {"ao=null", "vo=null"};
    {
        MediaPlayer player(settings);
        auto* bar = player.findChild<CompactBar*>();
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(player.tabStops(), bar->tabStops());
        EXPECT_EQ(player.tabStops().size(), 4);
    }
    settings.uiMode = QStringLiteral("none");
    MediaPlayer player(settings);
    EXPECT_TRUE(player.tabStops().isEmpty());
    flushEvents();
}
