#include "Exceptions.h"
#include "Forms.h"
#include "Menus.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace {

TMenuItem* NewItem(TComponent* Owner, const QString& Caption)
{
    auto* item = new TMenuItem(Owner);
    item->SetCaption(Caption);
    return item;
}

QStringList BarCaptions(const TMainMenu& Menu)
{
    QStringList captions;
    for (QAction* action : Menu.MenuBar()->actions())
        captions.append(action->text());
    return captions;
}

QStringList SubMenuCaptions(const TMenuItem* Item)
{
    QStringList captions;
    for (QAction* action : Item->Action()->menu()->actions())
        captions.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}

} // namespace

TEST(Menus, InsertAndRemoveKeepTheToolkitMenusInTheSameOrder)
{
    TForm form;
    TMainMenu menu(&form);
    TMenuItem* file = NewItem(&form, "Файл");
    TMenuItem* help = NewItem(&form, "Справка");
    menu.Items()->Add(file);
    menu.Items()->Add(help);
    TMenuItem* added = NewItem(&form, "Отчёты");
    menu.Items()->Insert(1, added);
    EXPECT_EQ(BarCaptions(menu), QStringList({"Файл", "Отчёты", "Справка"}));
    EXPECT_EQ(menu.Items()->IndexOf(added), 1);
    EXPECT_EQ(added->Parent(), menu.Items());

    menu.Items()->Remove(added);
    EXPECT_EQ(BarCaptions(menu), QStringList({"Файл", "Справка"}));
    EXPECT_EQ(added->Parent(), nullptr);
    // Removing never destroys: the item can go elsewhere.
    file->Insert(0, added);
    EXPECT_EQ(file->Items(0), added);
    EXPECT_EQ(SubMenuCaptions(file), QStringList({"Отчёты"}));
    EXPECT_THROW(file->Insert(5, NewItem(&form, "x")), EListError);
}

TEST(Menus, SubItemsInsertAtPositionZeroAndSeparator)
{
    TForm form;
    TMainMenu menu(&form);
    TMenuItem* service = NewItem(&form, "Сервис");
    menu.Items()->Add(service);
    service->Add(NewItem(&form, "Настройка..."));
    TMenuItem* line = NewItem(&form, "-");
    service->Insert(0, line);
    TMenuItem* first = NewItem(&form, "Первый");
    TMenuItem* second = NewItem(&form, "Второй");
    service->Insert(0, first);
    service->Insert(0, second);
    EXPECT_TRUE(line->IsLine());
    EXPECT_EQ(line->Caption(), "-");
    EXPECT_EQ(SubMenuCaptions(service), QStringList({"Второй", "Первый", "-", "Настройка..."}));
    EXPECT_EQ(service->Find("первый"), first);
    EXPECT_EQ(service->Find("нет такого"), nullptr);

    service->Remove(line);
    EXPECT_EQ(SubMenuCaptions(service), QStringList({"Второй", "Первый", "Настройка..."}));
    // Removing an item that is not there changes nothing.
    service->Remove(line);
    EXPECT_EQ(service->Count(), 3);
}

TEST(Menus, ItemsMovingBetweenParentsAndDestroyedItemsLeaveTheirParents)
{
    TForm form;
    TMainMenu menu(&form);
    TMenuItem* one = NewItem(&form, "Один");
    TMenuItem* two = NewItem(&form, "Два");
    menu.Items()->Add(one);
    menu.Items()->Add(two);
    TMenuItem* moving = NewItem(&form, "Пункт");
    one->Add(moving);
    two->Add(moving);
    EXPECT_EQ(one->Count(), 0);
    EXPECT_EQ(two->Items(0), moving);

    delete moving;
    EXPECT_EQ(two->Count(), 0);
    EXPECT_TRUE(two->Action()->menu()->actions().isEmpty());
}

TEST(Menus, ClickRunsOnClickAndStatesReachTheAction)
{
    TForm form;
    TMenuItem item(nullptr);
    item.SetCaption("Выход");
    TObject* sender = nullptr;
    int clicks = 0;
    item.OnClick = [&](TObject* Sender) {
        sender = Sender;
        ++clicks;
    };
    item.Click();
    item.Action()->trigger();
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(sender, &item);

    item.SetEnabled(false);
    item.SetVisible(false);
    EXPECT_FALSE(item.Action()->isEnabled());
    EXPECT_FALSE(item.Action()->isVisible());
    EXPECT_FALSE(item.Enabled());
}

TEST(Menus, AnExceptionFromAChosenItemGoesToTheDefaultErrorBox)
{
    TMenuItem item(nullptr);
    item.OnClick = [](TObject*) { throw EDatabaseError("сбой"); };
    EXPECT_THROW(item.Click(), EDatabaseError);
    item.Action()->trigger();
    ASSERT_EQ(TestSupport::Dialogs().Messages().size(), 1u);
    EXPECT_EQ(TestSupport::Dialogs().Messages()[0], "сбой");
}

TEST(Menus, PopupMenuHoldsItemsInOrder)
{
    TPopupMenu popup;
    TMenuItem* a = NewItem(&popup, "А");
    TMenuItem* b = NewItem(&popup, "Б");
    popup.Items()->Add(a);
    popup.Items()->Insert(0, b);
    ASSERT_EQ(popup.Menu()->actions().size(), 2);
    EXPECT_EQ(popup.Menu()->actions()[0], b->Action());
    EXPECT_EQ(popup.Menu()->actions()[1], a->Action());
}
