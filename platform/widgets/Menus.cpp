#include "Menus.h"

#include "Application.h"
#include "Exceptions.h"
#include "Forms.h"
#include "StringList.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

VEL_IMPLEMENT_CLASS(TMenuItem)
VEL_IMPLEMENT_CLASS(TMainMenu)
VEL_IMPLEMENT_CLASS(TPopupMenu)

namespace {

const QString SeparatorCaption = QStringLiteral("-");

// The root items of main and popup menus: their sub-items go into the menu's own widget.
class TRootMenuItem : public TMenuItem {
public:
    explicit TRootMenuItem(QWidget* Container)
    {
        SetContainer(Container);
    }
};

} // namespace

TMenuItem::TMenuItem(TComponent* AOwner)
    : TComponent(AOwner), FAction(std::make_unique<QAction>())
{
    QObject::connect(FAction.get(), &QAction::triggered, FAction.get(), [this] { Application::Guarded([this] { Click(); }); });
}

TMenuItem::~TMenuItem()
{
    if (FParent)
        FParent->Remove(this);
    while (!FItems.empty())
        RemoveAt(Count() - 1);
    FAction->setMenu(static_cast<QMenu*>(nullptr));
}

QString TMenuItem::Caption() const
{
    return FAction->isSeparator() ? SeparatorCaption : FAction->text();
}

void TMenuItem::SetCaption(const QString& Caption)
{
    const bool line = Caption == SeparatorCaption;
    FAction->setSeparator(line);
    FAction->setText(line ? QString() : Caption);
}

bool TMenuItem::Enabled() const
{
    return FAction->isEnabled();
}

void TMenuItem::SetEnabled(bool Enabled)
{
    FAction->setEnabled(Enabled);
}

bool TMenuItem::Visible() const
{
    return FAction->isVisible();
}

void TMenuItem::SetVisible(bool Visible)
{
    FAction->setVisible(Visible);
}

bool TMenuItem::IsLine() const
{
    return FAction->isSeparator();
}

void TMenuItem::Click()
{
    if (OnClick)
        OnClick(this);
}

TMenuItem* TMenuItem::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("Индекс пункта меню вне диапазона (%1)").arg(Index));
    return FItems[Index];
}

void TMenuItem::Add(TMenuItem* Item)
{
    Insert(Count(), Item);
}

void TMenuItem::Insert(int Index, TMenuItem* Item)
{
    if (Index < 0 || Index > Count())
        throw EListError(QStringLiteral("Индекс пункта меню вне диапазона (%1)").arg(Index));
    if (Item->FParent)
        Item->FParent->Remove(Item);
    QAction* before = Index < Count() ? FItems[Index]->Action() : nullptr;
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
    Container()->insertAction(before, Item->Action());
}

void TMenuItem::Remove(TMenuItem* Item)
{
    const int index = IndexOf(Item);
    if (index >= 0)
        RemoveAt(index);
}

void TMenuItem::RemoveAt(int Index)
{
    TMenuItem* item = FItems[Index];
    FItems.erase(FItems.begin() + Index);
    item->FParent = nullptr;
    Container()->removeAction(item->Action());
}

int TMenuItem::IndexOf(const TMenuItem* Item) const
{
    const auto found = std::find(FItems.begin(), FItems.end(), Item);
    return found == FItems.end() ? -1 : static_cast<int>(found - FItems.begin());
}

TMenuItem* TMenuItem::Find(const QString& Caption) const
{
    for (TMenuItem* item : FItems)
        if (TStringList::SameText(item->Caption(), Caption))
            return item;
    return nullptr;
}

QWidget* TMenuItem::Container()
{
    if (FContainer)
        return FContainer;
    if (!FSubMenu) {
        FSubMenu = std::make_unique<QMenu>();
        FAction->setMenu(FSubMenu.get());
    }
    return FSubMenu.get();
}

TMainMenu::TMainMenu(TForm* AOwner)
    : TComponent(AOwner), FBar(new QMenuBar(AOwner)), FItems(std::make_unique<TRootMenuItem>(FBar))
{
    AOwner->layout()->setMenuBar(FBar);
}

TMainMenu::~TMainMenu()
{
    FItems.reset();
    delete FBar;
}

TPopupMenu::TPopupMenu(TComponent* AOwner)
    : TComponent(AOwner), FMenu(std::make_unique<QMenu>()), FItems(std::make_unique<TRootMenuItem>(FMenu.get()))
{
}

TPopupMenu::~TPopupMenu()
{
    FItems.reset();
}

void TPopupMenu::Popup(const QPoint& ScreenPoint)
{
    FMenu->popup(ScreenPoint);
}
