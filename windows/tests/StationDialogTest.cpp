#include "windows/StationDialogs.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace kelvane;

TEST(StationDialogTest, RefusesAnEmptyNameOrAnAddressThatIsNotOnTheNetwork)
{
    const QString noName = QStringLiteral("请输入电台名称。");
    const QString noUrl = QStringLiteral("请输入电台地址。");
    const QString notNet =
        QStringLiteral("电台地址必须是网络地址（http、https、mms、rtsp、rtmp 等）。");
    const struct
    {
        const char* name;
        const char* url;
        QString refusal;
    } cases[] = {
        {"中国之声", "http://127.0.0.1:8000/live", {}},
        {"  BBC ", " https://h/a.m3u8 ", {}},
        {"A", "mms://h/s", {}},
        {"A", "rtmpt://h/s", {}},
        {"", "http://h/", noName},
        {"   ", "http://h/", noName},
        {"A", "", noUrl},
        {"A", "file:///etc/passwd", notNet},
        {"A", "/home/me/a.mp3", notNet},
        {"A", "ftp://h/a.mp3", notNet},
        {"A", "http://", notNet},
        {"A", "h/a.mp3", notNet},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(refusalOf({QString::fromUtf8(c.name), QString::fromUtf8(c.url)}), c.refusal)
            << c.name << " " << c.url;
    }

    // The dialog stays open and says why; a fixed address is taken, trimmed.
    StationDialog dialog(QStringLiteral("添加电台"), {});
    dialog.show();
    QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    dialog.nameField()->setText(QStringLiteral("测试"));
    dialog.urlField()->setText(QStringLiteral("file:///tmp/x.mp3"));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.refusal(), notNet);
    dialog.urlField()->setText(QStringLiteral(" http://127.0.0.1/x "));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.station().url, QStringLiteral("http://127.0.0.1/x"));
    EXPECT_EQ(dialog.station().name, QStringLiteral("测试"));
}
