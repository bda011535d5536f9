// The control as hosts see it members, signals and their order, size, face, hiding.
#include "downloader/FileDownloader.h"

#include "downloader/Inet.h"
#include "tests/support/TestUtil.h"

#include <QImage>
#include <QLabel>
#include <QMetaMethod>
#include <QWidget>
#include <gtest/gtest.h>

using namespace kelvane;

TEST(FileDownloaderControlTest, DeclaresItsFourSignalsInOrderSpelledExactly)
{
    const QMetaObject& meta = FileDownloader::staticMetaObject;
    QStringList own;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (method.methodType() == QMetaMethod::Signal)
            own.append(QString::fromLatin1(method.methodSignature()));
    }
    EXPECT_EQ(own, (QStringList{"DownloadErrors(QString)", "DownloadEvents(QString)",
                                "DowloadComplete()", "DownloadProgress(QString)"}));
    const QMetaMethod errors = meta.method(meta.indexOfSignal("DownloadErrors(QString)"));
    EXPECT_EQ(errors.parameterNames().value(0), QByteArray("strError"));
    const QMetaMethod progress = meta.method(meta.indexOfSignal("DownloadProgress(QString)"));
    EXPECT_EQ(progress.parameterNames().value(0), QByteArray("intPercent"));
}

TEST(FileDownloaderControlTest, IsSixtyEightBySixtyThreePixelsWhateverTheHostAsks)
{
    QWidget host;
    FileDownloader control(&host);
    EXPECT_EQ(control.size(), QSize(68, 63));
    EXPECT_EQ(FileDownloader::fixedPixelSize(), QSize(68, 63));
    EXPECT_EQ(FileDownloader::kWidthTwips, 1020);
    EXPECT_EQ(FileDownloader::kHeightTwips, 945);
    control.resize(200, 10);
    EXPECT_EQ(control.size(), QSize(68, 63));
    control.setGeometry(5, 6, 1, 1);
    EXPECT_EQ(control.geometry(), QRect(5, 6, 68, 63));
}

TEST(FileDownloaderControlTest, IsNeverShownAtRunTime)
{
    QWidget host;
    host.resize(300, 200);
    FileDownloader control(&host);
    host.show();
    test::flushEvents();
    EXPECT_FALSE(control.isVisible());
    control.show();
    control.setVisible(true);
    EXPECT_FALSE(control.isVisible());
    // A form designer shows its face.
    control.setDesignMode(true);
    control.show();
    EXPECT_TRUE(control.isVisible());
    control.setDesignMode(false);
    EXPECT_FALSE(control.isVisible());
}

TEST(FileDownloaderControlTest, ItsFaceIsABrownBriefcaseFillingTheControl)
{
    const QPixmap face = FileDownloader::designFace();
    ASSERT_FALSE(face.isNull());
    EXPECT_EQ(face.size(), QSize(68, 63));
    // Brown: the middle of the case is red over green over blue, and dark enough.
    const QColor middle = face.toImage().pixelColor(34, 42);
    EXPECT_GT(middle.red(), middle.green());
    EXPECT_GT(middle.green(), middle.blue());
    EXPECT_LT(middle.value(), 200);

    FileDownloader control;
    auto* image = control.findChild<QLabel*>(QStringLiteral("Image"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->geometry(), QRect(0, 0, 68, 63));
    const QImage painted = control.grab().toImage();
    EXPECT_EQ(painted.size(), QSize(68, 63));
    EXPECT_EQ(painted.pixelColor(34, 42), face.toImage().pixelColor(34, 42));
}

TEST(FileDownloaderControlTest, TimeOutsHaveUserDefaultsAndAreSettable)
{
    FileDownloader control;
    EXPECT_EQ(control.connectTimeout(), 15000);
    EXPECT_EQ(control.inactivityTimeout(), 30000);
    EXPECT_TRUE(control.setProperty("connectTimeout", 250));
    EXPECT_TRUE(control.setProperty("inactivityTimeout", 125));
    EXPECT_EQ(control.connectTimeout(), 250);
    EXPECT_EQ(control.inactivityTimeout(), 125);
}

TEST(FileDownloaderControlTest, OwnsItsTransferComponent)
{
    FileDownloader control;
    EXPECT_EQ(control.findChildren<downloader::Inet*>().size(), 1);
    EXPECT_FALSE(control.isTransferring());
}
