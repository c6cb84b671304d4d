#include "Application.h"
#include "Controls.h"
#include "Exceptions.h"
#include "Forms.h"
#include "StatusBar.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QLineEdit>
#include <QThread>

#include <gtest/gtest.h>

namespace {

class TMessageForm : public TForm {
public:
    std::vector<int> Messages;
    bool WindowMessage(int Message) override
    {
        Messages.push_back(Message);
        if (Message == 13)
            throw Exception("сообщение 13 не принято");
        return true;
    }
};

class TClosingForm : public TForm {
public:
    bool Allow = true;
    int Closes = 0;
    bool FailOnClose = false;

protected:
    bool CloseQuery() override { return Allow; }
    void DoClose() override
    {
        ++Closes;
        if (FailOnClose)
            throw Exception("закрытие не удалось");
    }
};

} // namespace

TEST(Forms, PostedMessagesReachTheFormBehindTheHandleAndStaleHandlesAreIgnored)
{
    TMessageForm form;
    TMessageForm other;
    EXPECT_NE(form.Handle(), other.Handle());
    EXPECT_EQ(TForm::FindByHandle(form.Handle()), &form);

    Application::PostMessage(form.Handle(), 1110);
    EXPECT_TRUE(form.Messages.empty()) << "a posted message waits for the event loop";
    Application::ProcessMessages();
    EXPECT_EQ(form.Messages, std::vector<int>({1110}));
    EXPECT_TRUE(other.Messages.empty());

    quintptr stale = 0;
    {
        TMessageForm gone;
        stale = gone.Handle();
        Application::PostMessage(stale, 1109);
    }
    EXPECT_EQ(TForm::FindByHandle(stale), nullptr);
    Application::PostMessage(stale, 1109);
    Application::ProcessMessages();
    // A new form never inherits the handle of one that is gone.
    TMessageForm newer;
    EXPECT_NE(newer.Handle(), stale);
    EXPECT_TRUE(newer.Messages.empty());

    // A handler that throws ends in the default error box; the program goes on.
    Application::PostMessage(form.Handle(), 13);
    Application::ProcessMessages();
    ASSERT_EQ(TestSupport::Dialogs().Messages().size(), 1u);
    EXPECT_EQ(TestSupport::Dialogs().Messages()[0], "сообщение 13 не принято");
}

TEST(Forms, MessagesPostedFromAnotherThreadArriveOnTheMainThread)
{
    TMessageForm form;
    const quintptr handle = form.Handle();
    QThread* poster = QThread::create([handle] { Application::PostMessage(handle, 1110); });
    poster->start();
    poster->wait();
    delete poster;
    for (int i = 0; i < 10 && form.Messages.empty(); ++i)
        Application::ProcessMessages();
    EXPECT_EQ(form.Messages, std::vector<int>({1110}));
}

TEST(Forms, DockingIntoAPanelFollowsAlignAndFloatingUndocks)
{
    TForm host;
    host.resize(400, 300);
    TPanel site(&host, &host);
    site.SetAlign(alClient);
    host.show();
    TForm docked;
    docked.SetAlign(alClient);
    docked.ManualDock(&site);
    Application::ProcessMessages();

    EXPECT_EQ(docked.parentWidget(), &site);
    EXPECT_EQ(docked.HostDockSite(), &site);
    EXPECT_FALSE(docked.isWindow());
    EXPECT_TRUE(docked.isVisible());
    EXPECT_EQ(docked.geometry(), site.rect());
    EXPECT_EQ(site.DockClientCount(), 1);
    EXPECT_EQ(site.DockClient(0), &docked);

    docked.ManualFloat(QRect(0, 0, 1, 1));
    EXPECT_EQ(docked.parentWidget(), nullptr);
    EXPECT_EQ(docked.HostDockSite(), nullptr);
    EXPECT_FALSE(docked.isVisible());
    EXPECT_EQ(docked.geometry(), QRect(0, 0, 1, 1));
    EXPECT_EQ(site.DockClientCount(), 0);
}

// A window remembers the field that last had the focus in it: a form taken out of the window
// (undocked, or docked elsewhere) must take that memory along, or the window would use the
// field after the form is destroyed.
TEST(Forms, AFormLeavingAWindowTakesTheFocusOfItsFieldsAlong)
{
    TForm host;
    TPanel site(&host, &host);
    host.show();
    QApplication::setActiveWindow(&host);
    for (const bool undock : {true, false}) {
        auto* docked = new TForm;
        docked->ManualDock(&site);
        auto* field = new QLineEdit(docked);
        field->show();
        field->setFocus();
        ASSERT_EQ(host.focusWidget(), field);

        TForm elsewhere;
        if (undock)
            docked->ManualFloat(QRect(0, 0, 1, 1));
        else
            docked->ManualDock(&elsewhere);
        EXPECT_NE(host.focusWidget(), field);
        EXPECT_NE(site.focusWidget(), field);
        EXPECT_NE(QApplication::focusWidget(), field);
        delete docked;
    }
}

TEST(Forms, AlignedControlsShareTheClientArea)
{
    TForm form;
    form.resize(300, 200);
    TPanel left(&form, &form);
    left.SetAlign(alLeft);
    left.resize(100, 10);
    TPanel top(&form, &form);
    top.SetAlign(alTop);
    top.resize(10, 40);
    TPanel rest(&form, &form);
    rest.SetAlign(alClient);
    TLabel free(&form, &form);
    free.move(5, 7);
    form.show();
    Application::ProcessMessages();
    // Top-aligned controls go first and take the whole width; left-aligned ones the rest.
    EXPECT_EQ(top.geometry(), QRect(0, 0, 300, 40));
    EXPECT_EQ(left.geometry(), QRect(0, 40, 100, 160));
    EXPECT_EQ(rest.geometry(), QRect(100, 40, 200, 160));
    EXPECT_EQ(free.pos(), QPoint(5, 7));
}

TEST(Forms, DockingIntoAPageControlMakesPages)
{
    TForm host;
    TPageControl pages(&host, &host);
    TForm form;
    form.SetCaption("Форма");
    TTabSheet sheet(nullptr);
    sheet.SetCaption("Лист");
    host.show();
    form.ManualDock(&pages);
    sheet.ManualDock(&pages);
    ASSERT_EQ(pages.PageCount(), 2);
    // Only the active page shows: a page docked behind it must not be drawn over it.
    EXPECT_EQ(pages.ActivePage(), &form);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(sheet.isVisible());
    pages.SetActivePageIndex(1);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_FALSE(form.isVisible());
    pages.SetActivePageIndex(0);
    EXPECT_EQ(pages.tabText(0), "Форма");
    EXPECT_EQ(pages.tabText(1), "Лист");
    EXPECT_EQ(sheet.PageControl(), &pages);
    EXPECT_EQ(DockClients(&pages), QList<QWidget*>({&form, &sheet}));

    sheet.SetCaption("Новое имя");
    EXPECT_EQ(pages.tabText(1), "Новое имя");

    sheet.ManualFloat(QRect(0, 0, 1, 1));
    form.ManualFloat(QRect(0, 0, 1, 1));
    EXPECT_EQ(pages.PageCount(), 0);
    EXPECT_EQ(sheet.PageControl(), nullptr);
    EXPECT_FALSE(form.isVisible());
    // Sheets survive undocking and dock again.
    sheet.ManualDock(&pages);
    EXPECT_EQ(pages.PageCount(), 1);
}

TEST(Forms, ClosingAsksCloseQueryAndReportsHandlerErrors)
{
    TClosingForm form;
    form.show();
    form.Allow = false;
    form.Close();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Closes, 0);

    form.Allow = true;
    form.FailOnClose = true;
    EXPECT_THROW(form.Close(), Exception);
    EXPECT_TRUE(form.isVisible());

    // The close box runs the same handlers; an error goes to the error box, the form stays.
    form.close();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>({"закрытие не удалось"}));

    form.FailOnClose = false;
    int closed = 0;
    QObject::connect(&form, &TForm::Closed, [&closed] { ++closed; });
    form.Close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(closed, 1);
}

TEST(Forms, ButtonWithModalResultSetsTheFormsResult)
{
    TForm form;
    TPanel panel(&form, &form);
    TButton ok(&form, &panel);
    ok.SetModalResult(mrOk);
    int clicks = 0;
    ok.OnClick = [&clicks](TObject*) { ++clicks; };
    ok.click();
    EXPECT_EQ(form.ModalResult(), mrOk);
    EXPECT_EQ(clicks, 1);
}

TEST(StatusBar, PanelsHaveFixedWidthsBevelsAndEvents)
{
    TForm form;
    form.resize(800, 100);
    TStatusBar bar(&form, &form);
    for (int width : {150, 400, 150})
        bar.AddPanel()->SetWidth(width);
    bar.Panels(2)->SetBevel(pbRaised);
    bar.Panels(1)->SetText("Готово");
    int resizes = 0;
    bar.OnResize = [&](TObject*) { ++resizes; };
    form.show();
    Application::ProcessMessages();

    EXPECT_EQ(bar.PanelCount(), 3);
    EXPECT_EQ(bar.Panels(1)->Text(), "Готово");
    EXPECT_EQ(bar.Panels(2)->Bevel(), pbRaised);
    EXPECT_EQ(bar.width(), 800);
    EXPECT_EQ(bar.geometry().bottom(), form.rect().bottom()) << "a status bar sits at the bottom";
    EXPECT_GT(resizes, 0);
    const auto sections = bar.findChildren<QLabel*>();
    ASSERT_EQ(sections.size(), 3);
    EXPECT_EQ(sections[1]->geometry().left(), 150);
    EXPECT_EQ(sections[1]->width(), 400);
    EXPECT_EQ(sections[2]->geometry().left(), 550);
    bar.Panels(0)->SetWidth(100);
    EXPECT_EQ(sections[1]->geometry().left(), 100) << "the panels after a changed one move along";
    EXPECT_THROW(bar.Panels(3), EListError);
}
