#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "tests/support/TestUtil.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kelvane;

namespace {

struct Log
{
    QStringList events;
};

class LoggingForm : public Form
{
public:
    LoggingForm(const QString& name, FormRegistry& forms, Log& log) : Form(name, forms), m_log(log)
    {}
    std::function<void()> onLoad;

protected:
    void Form_Load() override
    {
        m_log.events << formName() + ":load";
        if (onLoad)
            onLoad();
    }
    void Form_Unload() override { m_log.events << formName() + ":unload"; }

private:
    Log& m_log;
};

class FormsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {"a", "b"})
            forms.registerForm(name, [this, name](FormRegistry& r) {
                auto* f = new LoggingForm(name, r, log);
                f->onLoad = onLoad;
                return f;
            });
    }
    void TearDown() override { test::flushEvents(); }

    Log log;
    std::function<void()> onLoad;
    FormRegistry forms;
};

} // namespace

TEST_F(FormsTest, LoadRunsFormLoadOnceAndDoesNotShow)
{
    Form* first = forms.load("a");
    Form* again = forms.load("a");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, again);
    EXPECT_EQ(log.events, QStringList{"a:load"});
    EXPECT_FALSE(first->isVisible());
}

TEST_F(FormsTest, ShowLoadsWhenNeededAndShows)
{
    Form* form = forms.show("a");
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(forms.show("a"), form);
    EXPECT_EQ(log.events, QStringList{"a:load"});
}

TEST_F(FormsTest, ProgramEndsOnlyWhenLastLoadedFormIsUnloaded)
{
    QSignalSpy last(&forms, &FormRegistry::lastFormUnloaded);
    forms.show("a");
    forms.load("b"); // loaded but hidden still counts
    forms.unload("a");
    EXPECT_EQ(last.count(), 0);
    EXPECT_FALSE(forms.isLoaded("a"));
    forms.unload("b");
    EXPECT_EQ(last.count(), 1);
    EXPECT_EQ(log.events, (QStringList{"a:load", "b:load", "a:unload", "b:unload"}));
}

TEST_F(FormsTest, UnloadedFormIsDestroyedLaterAndLoadsAnew)
{
    QPointer<Form> form = forms.show("a");
    form->Unload();
    EXPECT_FALSE(form->isVisible());
    test::flushEvents();
    EXPECT_TRUE(form.isNull());
    Form* fresh = forms.load("a");
    EXPECT_NE(fresh, nullptr);
    EXPECT_EQ(log.events, (QStringList{"a:load", "a:unload", "a:load"}));
}

TEST_F(FormsTest, UnloadingTwiceRunsUnloadOnce)
{
    Form* form = forms.show("a");
    form->Unload();
    form->Unload();
    forms.unload("a");
    EXPECT_EQ(log.events.count("a:unload"), 1);
}

TEST_F(FormsTest, WindowManagerCloseUnloads)
{
    QSignalSpy last(&forms, &FormRegistry::lastFormUnloaded);
    Form* form = forms.show("a");
    form->close();
    EXPECT_FALSE(forms.isLoaded("a"));
    EXPECT_EQ(last.count(), 1);
}

TEST_F(FormsTest, FormThatUnloadsItselfWhileLoadingIsNotReturned)
{
    onLoad = [this] { forms.unload("a"); };
    EXPECT_EQ(forms.load("a"), nullptr);
    EXPECT_FALSE(forms.isLoaded("a"));
}

TEST_F(FormsTest, UnknownFormLoadsNothing)
{
    EXPECT_EQ(forms.load("nope"), nullptr);
    EXPECT_EQ(forms.loadedCount(), 0);
}

// A quit that arrives while a window's box or menu runs its own loop (a D-Bus call, a timer)
// closes that box or menu first; the window goes only once the loop has returned to its caller.
TEST_F(FormsTest, UnloadDuringAModalLoopWaitsForTheLoopToReturn)
{
    const std::vector<std::pair<const char*, std::function<void(QWidget*)>>> loops = {
        {"message box",
         [](QWidget* parent) {
             QtMessageBox().show(parent, "没有正在播放的电台，无法录音。", "录音",
                                 MessageBox::Icon::Warning);
         }},
        {"context menu",
         [](QWidget* parent) {
             QMenu menu(parent); // on the stack, as a context menu handler holds it
             menu.addAction(QStringLiteral("录音"));
             menu.exec(parent->mapToGlobal(QPoint(5, 5)));
         }},
    };
    for (const auto& [what, runLoop] : loops) {
        SCOPED_TRACE(what);
        QPointer<Form> form = forms.show("a");
        auto* inner = new QWidget(form); // the control whose handler opened the loop
        QSignalSpy last(&forms, &FormRegistry::lastFormUnloaded);
        bool returned = false;
        bool aliveOnReturn = false;
        // The box or menu runs from a handler of the program's own loop, as on the desktop.
        QTimer::singleShot(0, &forms, [&] {
            runLoop(inner); // returns only because the unload closed it
            aliveOnReturn = !form.isNull();
            returned = true;
        });
        QTimer::singleShot(50, &forms, [this] { forms.unloadAll(); });
        EXPECT_TRUE(test::waitUntil([&] { return returned && form.isNull(); }, 5000));
        EXPECT_TRUE(aliveOnReturn) << "deleted under the loop that was still running";
        EXPECT_FALSE(forms.isLoaded("a"));
        EXPECT_EQ(last.count(), 1);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
}
