#pragma once
// Main and popup menus. A menu item is a component; its sub-items are kept in order and the
// toolkit's menus always show them at exactly those positions. Removing an item from its
// parent never destroys it (its owner does), and an item that is destroyed leaves its parent.
// The caption "-" makes an item a separator.

#include "Component.h"
#include "Events.h"

#include <QPoint>
#include <QMenuBar>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QWidget;
class TForm;

class TMenuItem : public TComponent {
    VEL_DECLARE_CLASS(TMenuItem, TComponent)
public:
    explicit TMenuItem(TComponent* AOwner = nullptr);
    ~TMenuItem() override;

    QString Caption() const;
    void SetCaption(const QString& Caption);
    bool Enabled() const;
    void SetEnabled(bool Enabled);
    bool Visible() const;
    void SetVisible(bool Visible);
    bool IsLine() const;

    TNotifyEvent OnClick;
    // Runs OnClick, as choosing the item does.
    void Click();

    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int Index) const;
    TMenuItem* Parent() const { return FParent; }
    void Add(TMenuItem* Item);
    // Inserts Item at Index (0..Count); an item that has a parent leaves it first.
    void Insert(int Index, TMenuItem* Item);
    // Takes Item out of this item's sub-items without destroying it.
    void Remove(TMenuItem* Item);
    int IndexOf(const TMenuItem* Item) const;
    // The first sub-item with that caption (ignoring letter case), or nullptr.
    TMenuItem* Find(const QString& Caption) const;

    QAction* Action() const { return FAction.get(); }

protected:
    // The root item of a main or popup menu shows its sub-items in the given widget.
    void SetContainer(QWidget* Container) { FContainer = Container; }

private:
    QWidget* Container();
    void RemoveAt(int Index);

    std::unique_ptr<QAction> FAction;
    std::unique_ptr<QMenu> FSubMenu;
    QWidget* FContainer = nullptr;
    std::vector<TMenuItem*> FItems;
    TMenuItem* FParent = nullptr;
};

// The menu bar of a form; its top-level items are the sub-items of Items().
class TMainMenu : public TComponent {
    VEL_DECLARE_CLASS(TMainMenu, TComponent)
public:
    explicit TMainMenu(TForm* AOwner);
    ~TMainMenu() override;

    TMenuItem* Items() const { return FItems.get(); }
    QMenuBar* MenuBar() const { return FBar; }

private:
    QPointer<QMenuBar> FBar;
    std::unique_ptr<TMenuItem> FItems;
};

// A context menu shown at a point of the screen.
class TPopupMenu : public TComponent {
    VEL_DECLARE_CLASS(TPopupMenu, TComponent)
public:
    explicit TPopupMenu(TComponent* AOwner = nullptr);
    ~TPopupMenu() override;

    TMenuItem* Items() const { return FItems.get(); }
    QMenu* Menu() const { return FMenu.get(); }
    void Popup(const QPoint& ScreenPoint);

private:
    std::unique_ptr<QMenu> FMenu;
    std::unique_ptr<TMenuItem> FItems;
};
