#include "platform/Forms.h"
#include "tests/support/TestUtil.h"

#include <QSignalSpy>
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
