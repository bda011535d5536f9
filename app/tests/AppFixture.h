#pragma once

#include "app/Application.h"
#include "platform/Forms.h"
#include "tests/support/Recorders.h"
#include "tests/support/TestUtil.h"
#include "windows/Services.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace kelvane::test {

// The program's windows over a temporary program folder, with recorded message boxes and
// silent players.
class AppFixture : public ::testing::Test
{
protected:
    AppFixture()
    {
        services.messageBox = &messages;
        services.shell = &shell;
        services.programFolder = folder.path();
        services.recordFolder = folder.filePath("Music/Kelvane");
        services.playerOptions = {"ao=null", "vo=null"};
        // Nothing listens on the discard port: the banners fall back to their fixed links at once.
        services.adFeedUrl = QStringLiteral("http://127.0.0.1:9/g/g.xml");
        registerForms(forms, services);
    }
    ~AppFixture() override
    {
        forms.unloadAll();
        flushEvents();
    }

    void writeList(const QString& name, const QString& text)
    {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QStringEncoder gbk("GBK");
        file.write(gbk.encode(text));
    }

    // Clicks a control as a user does: through its window, with the pointer moving onto it first
    // (the skinned button reacts only to a pointer it has seen enter).
    static void clickOn(QWidget* control, Qt::MouseButton button = Qt::LeftButton)
    {
        QWidget* top = control->window();
        QWindow* window = top->windowHandle();
        ASSERT_NE(window, nullptr) << "the control's window is not shown";
        const QPoint at = control->mapTo(top, control->rect().center());
        QTest::mouseMove(window, QPoint(0, 0));
        QTest::mouseMove(window, at);
        QTest::mouseClick(window, button, {}, at);
    }

    template <typename T> T* formAs(const QString& name)
    {
        return dynamic_cast<T*>(forms.find(name));
    }

    QTemporaryDir folder;
    RecordingMessageBox messages;
    RecordingShell shell;
    AppServices services;
    FormRegistry forms;
};

} // namespace kelvane::test
