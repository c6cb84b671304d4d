#pragma once
// The standard controls the forms are built from: thin wrappers over Qt widgets that are
// also components (their owner destroys them) and are placed in their parent by alignment.

#include "Align.h"
#include "Component.h"
#include "Docking.h"
#include "Events.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QTabWidget>

class TForm;

// A widget of kind Widget that is a component and sits in its parent by alignment.
template <class Widget>
class TWinControl : public Widget, public TComponent {
public:
    TWinControl(TComponent* AOwner, QWidget* Parent)
        : Widget(nullptr), TComponent(AOwner)
    {
        if (Parent)
            InsertControl(Parent, this);
    }

    TAlign Align() const { return ControlAlign(this); }
    void SetAlign(TAlign Align) { SetControlAlign(this, Align); }
    void SetBounds(int Left, int Top, int Width, int Height) { this->setGeometry(Left, Top, Width, Height); }
    void Show() { this->show(); }
    void Hide() { this->hide(); }
};

// The form a control belongs to: the nearest form among its parents, or nullptr.
TForm* ParentForm(const QWidget* Control);

enum TBevelCut { bvNone, bvLowered, bvRaised };

// A panel: a bevelled, coloured area that lays out its controls and is a dock site.
class TPanel : public TWinControl<QFrame> {
    VEL_DECLARE_CLASS(TPanel, TComponent)
public:
    TPanel(TComponent* AOwner, QWidget* Parent);

    TBevelCut BevelOuter() const { return FBevel; }
    void SetBevelOuter(TBevelCut Bevel);
    QColor Color() const;
    void SetColor(const QColor& Color);
    int DockClientCount() const { return static_cast<int>(DockClients(this).size()); }
    QWidget* DockClient(int Index) const { return DockClients(this).value(Index); }

private:
    TBevelCut FBevel = bvNone;
};

class TLabel : public TWinControl<QLabel> {
    VEL_DECLARE_CLASS(TLabel, TComponent)
public:
    TLabel(TComponent* AOwner, QWidget* Parent);
    QString Caption() const { return text(); }
    void SetCaption(const QString& Caption);
};

// A push button. A button with a modal result gives its form that result when clicked.
class TButton : public TWinControl<QPushButton> {
    VEL_DECLARE_CLASS(TButton, TComponent)
public:
    TButton(TComponent* AOwner, QWidget* Parent);

    QString Caption() const { return text(); }
    void SetCaption(const QString& Caption) { setText(Caption); }
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int Result) { FModalResult = Result; }
    bool Default() const { return isDefault(); }
    void SetDefault(bool Default) { setDefault(Default); }

    TNotifyEvent OnClick;
    // What a click does: the form's modal result, then OnClick.
    void Click();

private:
    int FModalResult = 0;
};

// A flat button with a hint, as on tool bars: raised only while the mouse is over it.
class TSpeedButton : public TWinControl<QToolButton> {
    VEL_DECLARE_CLASS(TSpeedButton, TComponent)
public:
    TSpeedButton(TComponent* AOwner, QWidget* Parent);

    QString Caption() const { return text(); }
    void SetCaption(const QString& Caption) { setText(Caption); }
    QString Hint() const { return toolTip(); }
    void SetHint(const QString& Hint) { setToolTip(Hint); }
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool Enabled) { setEnabled(Enabled); }

    TNotifyEvent OnClick;
    // What a click does: OnClick, when the button is enabled.
    void Click();
};

// A bar between two controls aligned to the same side: dragging it resizes the control
// before it (the one aligned just before the splitter), never below MinSize.
class TSplitter : public TWinControl<QFrame> {
    VEL_DECLARE_CLASS(TSplitter, TComponent)
public:
    TSplitter(TComponent* AOwner, QWidget* Parent);

    int MinSize() const { return FMinSize; }
    void SetMinSize(int MinSize) { FMinSize = MinSize; }
    // The control the splitter resizes: the last control of the same alignment placed
    // before it in its parent, or nullptr.
    QWidget* ResizedControl() const;
    // Moves the splitter by Delta pixels, as a drag does.
    void MoveBy(int Delta);

protected:
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;

private:
    int FMinSize = 30;
    int FDragStart = 0;
};

class TEdit : public TWinControl<QLineEdit> {
    VEL_DECLARE_CLASS(TEdit, TComponent)
public:
    TEdit(TComponent* AOwner, QWidget* Parent);
    QString Text() const { return text(); }
    void SetText(const QString& Text) { setText(Text); }
    QChar PasswordChar() const { return FPasswordChar; }
    // A non-null character hides what is typed.
    void SetPasswordChar(QChar Char);

private:
    QChar FPasswordChar;
};

// A check box with its caption beside it.
class TCheckBox : public TWinControl<QCheckBox> {
    VEL_DECLARE_CLASS(TCheckBox, TComponent)
public:
    TCheckBox(TComponent* AOwner, QWidget* Parent);
    QString Caption() const { return text(); }
    // Sized to the caption, so that it takes one line where it is aligned.
    void SetCaption(const QString& Caption);
    bool Checked() const { return isChecked(); }
    void SetChecked(bool Checked) { setChecked(Checked); }
};

enum TComboBoxStyle { csDropDown, csDropDownList };

class TComboBox : public TWinControl<QComboBox> {
    VEL_DECLARE_CLASS(TComboBox, TComponent)
public:
    TComboBox(TComponent* AOwner, QWidget* Parent);

    QStringList Items() const;
    void SetItems(const QStringList& Items);
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int Index) { setCurrentIndex(Index); }
    QString Text() const { return currentText(); }
    void SetText(const QString& Text);
    TComboBoxStyle Style() const { return isEditable() ? csDropDown : csDropDownList; }
    void SetStyle(TComboBoxStyle Style);
};

class TListBox : public TWinControl<QListWidget> {
    VEL_DECLARE_CLASS(TListBox, TComponent)
public:
    TListBox(TComponent* AOwner, QWidget* Parent);

    QStringList Items() const;
    void SetItems(const QStringList& Items);
    void AddItem(const QString& Item) { addItem(Item); }
    void Clear() { clear(); }
    int ItemIndex() const { return currentRow(); }
    // Selects an entry without raising OnClick (-1 selects none).
    void SetItemIndex(int Index);

    // Raised when the user selects an entry.
    TNotifyEvent OnClick;

private:
    bool FSettingIndex = false;
};

// A list box showing the directory tree around one directory: its ancestors from the root
// down, then its subdirectories. Activating an entry opens that directory.
class TDirectoryListBox : public TWinControl<QListWidget> {
    VEL_DECLARE_CLASS(TDirectoryListBox, TComponent)
public:
    TDirectoryListBox(TComponent* AOwner, QWidget* Parent);

    QString Directory() const { return FDirectory; }
    void SetDirectory(const QString& Directory);

private:
    void AddEntry(const QString& Path, const QString& Text, int Depth);

    QString FDirectory;
};

class TPageControl;

// A page of a page control; laid out by alignment. A sheet can also be docked into a page
// control, and undocked again, like a form.
class TTabSheet : public TWinControl<QWidget> {
    VEL_DECLARE_CLASS(TTabSheet, TComponent)
public:
    explicit TTabSheet(TComponent* AOwner);

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& Caption);
    TPageControl* PageControl() const;
    // Makes the sheet the last page of PageControl (nullptr takes it out of its control).
    void SetPageControl(TPageControl* PageControl);
    void ManualDock(QWidget* Site) { DockControl(this, Site); }
    void ManualFloat(const QRect& Rect) { FloatControl(this, Rect); }
};

// Pages with tabs. A form or sheet docked into it becomes a page captioned with its caption.
class TPageControl : public TWinControl<QTabWidget>, public TDockSite {
    VEL_DECLARE_CLASS(TPageControl, TComponent)
public:
    TPageControl(TComponent* AOwner, QWidget* Parent);

    int PageCount() const { return count(); }
    QWidget* Pages(int Index) const { return widget(Index); }
    int ActivePageIndex() const { return currentIndex(); }
    void SetActivePageIndex(int Index) { setCurrentIndex(Index); }
    QWidget* ActivePage() const { return currentWidget(); }

    void InsertDockClient(QWidget* Control) override;
    void RemoveDockClient(QWidget* Control) override;
    QList<QWidget*> DockClientList() const override;
    // Follows a page's new caption.
    void UpdateCaption(QWidget* Page);
};

// A picture.
class TImage : public TWinControl<QLabel> {
    VEL_DECLARE_CLASS(TImage, TComponent)
public:
    TImage(TComponent* AOwner, QWidget* Parent);
    QImage Picture() const { return FPicture; }
    void SetPicture(const QImage& Picture);

private:
    QImage FPicture;
};
