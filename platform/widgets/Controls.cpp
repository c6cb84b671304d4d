#include "Controls.h"

#include "Application.h"
#include "Forms.h"

#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPixmap>

VEL_IMPLEMENT_CLASS(TPanel)
VEL_IMPLEMENT_CLASS(TLabel)
VEL_IMPLEMENT_CLASS(TButton)
VEL_IMPLEMENT_CLASS(TEdit)
VEL_IMPLEMENT_CLASS(TCheckBox)
VEL_IMPLEMENT_CLASS(TSpeedButton)
VEL_IMPLEMENT_CLASS(TSplitter)
VEL_IMPLEMENT_CLASS(TComboBox)
VEL_IMPLEMENT_CLASS(TListBox)
VEL_IMPLEMENT_CLASS(TDirectoryListBox)
VEL_IMPLEMENT_CLASS(TTabSheet)
VEL_IMPLEMENT_CLASS(TPageControl)
VEL_IMPLEMENT_CLASS(TImage)

TForm* ParentForm(const QWidget* Control)
{
    for (QWidget* parent = Control->parentWidget(); parent; parent = parent->parentWidget())
        if (auto* form = dynamic_cast<TForm*>(parent))
            return form;
    return nullptr;
}

TSpeedButton::TSpeedButton(TComponent* AOwner, QWidget* Parent)
    : TWinControl(AOwner, Parent)
{
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    QObject::connect(this, &QToolButton::clicked, this, [this] { Application::Guarded([this] { Click(); }); });
}

void TSpeedButton::Click()
{
    if (isEnabled() && OnClick)
        OnClick(this);
}

TSplitter::TSplitter(TComponent* AOwner, QWidget* Parent)
    : TWinControl(AOwner, Parent)
{
    setFrameStyle(QFrame::NoFrame);
    setFixedWidth(3);
    setCursor(Qt::SplitHCursor);
    SetAlign(alLeft);
}

QWidget* TSplitter::ResizedControl() const
{
    QWidget* parent = parentWidget();
    TAlignLayout* layout = parent ? AlignLayoutOf(parent) : nullptr;
    if (!layout)
        return nullptr;
    QWidget* before = nullptr;
    for (int i = 0; i < layout->count(); ++i) {
        QWidget* control = layout->itemAt(i)->widget();
        if (control == this)
            return before;
        if (control && ControlAlign(control) == Align())
            before = control;
    }
    return nullptr;
}

void TSplitter::MoveBy(int Delta)
{
    QWidget* control = ResizedControl();
    if (!control)
        return;
    const int width = Align() == alRight ? control->width() - Delta : control->width() + Delta;
    control->resize(std::max(FMinSize, width), control->height());
    if (QLayout* layout = parentWidget()->layout())
        layout->setGeometry(parentWidget()->contentsRect());
}

void TSplitter::mousePressEvent(QMouseEvent* Event)
{
    FDragStart = Event->globalPosition().toPoint().x();
}

void TSplitter::mouseMoveEvent(QMouseEvent* Event)
{
    if (!(Event->buttons() & Qt::LeftButton))
        return;
    const int x = Event->globalPosition().toPoint().x();
    MoveBy(x - FDragStart);
    FDragStart = x;
}

TPanel::TPanel(TComponent* AOwner, QWidget* Parent)
    : TWinControl(AOwner, Parent)
{
    new TAlignLayout(this);
}

void TPanel::SetBevelOuter(TBevelCut Bevel)
{
    FBevel = Bevel;
    switch (Bevel) {
    case bvNone: setFrameStyle(QFrame::NoFrame); break;
    case bvLowered: setFrameStyle(QFrame::Panel | QFrame::Sunken); break;
    case bvRaised: setFrameStyle(QFrame::Panel | QFrame::Raised); break;
    }
}

QColor TPanel::Color() const
{
    return palette().color(QPalette::Window);
}

void TPanel::SetColor(const QColor& Color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Color);
    setPalette(colours);
    setAutoFillBackground(true);
}

TLabel::TLabel(TComponent* AOwner, QWidget* Parent)
    : TWinControl(AOwner, Parent)
{
}

void TLabel::SetCaption(const QString& Caption)
{
    setText(Caption);
    adjustSize();
}

TButton::TButton(TComponent* AOwner, QWidget* Parent)
    : TWinControl(AOwner, Parent)
{
    setAutoDefault(false);
    QObject::connect(this, &QPushButton::clicked, this, [this] { Application::Guarded([this] { Click(); }); });
}

void TButton::Click()
{
    if (FModalResult != 0)
        if (TForm* form = ParentForm(this))
            form->SetModalResult(FModalResult);
    if (OnClick)
        OnClick(this);
}

TEdit::TEdit(TComponent* AOwner, QWidget* Parent)
    : TWinControl(AOwner, Parent)
{
}

void TEdit::SetPasswordChar(QChar Char)
{
    FPasswordChar = Char;
    setEchoMode(Char.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

TCheckBox::TCheckBox(TComponent* AOwner, QWidget* Parent)
    : TWinControl(AOwner, Parent)
{
}

void TCheckBox::SetCaption(const QString& Caption)
{
    setText(Caption);
    adjustSize();
}

TComboBox::TComboBox(TComponent* AOwner, QWidget* Parent)
    : TWinControl(AOwner, Parent)
{
    setEditable(true);
}

QStringList TComboBox::Items() const
{
    QStringList items;
    for (int i = 0; i < count(); ++i)
        items.append(itemText(i));
    return items;
}

void TComboBox::SetItems(const QStringList& Items)
{
    clear();
    addItems(Items);
    setCurrentIndex(-1);
}

void TComboBox::SetText(const QString& Text)
{
    if (isEditable())
        setEditText(Text);
    else
        setCurrentIndex(findText(Text));
}

void TComboBox::SetStyle(TComboBoxStyle Style)
{
    setEditable(Style == csDropDown);
}

TListBox::TListBox(TComponent* AOwner, QWidget* Parent)
    : TWinControl(AOwner, Parent)
{
    QObject::connect(this, &QListWidget::currentRowChanged, this, [this] {
        if (!FSettingIndex && OnClick)
            Application::Guarded([this] { OnClick(this); });
    });
}

QStringList TListBox::Items() const
{
    QStringList items;
    for (int i = 0; i < count(); ++i)
        items.append(item(i)->text());
    return items;
}

void TListBox::SetItems(const QStringList& Items)
{
    FSettingIndex = true;
    clear();
    addItems(Items);
    FSettingIndex = false;
}

void TListBox::SetItemIndex(int Index)
{
    FSettingIndex = true;
    setCurrentRow(Index);
    FSettingIndex = false;
}

TDirectoryListBox::TDirectoryListBox(TComponent* AOwner, QWidget* Parent)
    : TWinControl(AOwner, Parent)
{
    QObject::connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* Entry) {
        SetDirectory(Entry->data(Qt::UserRole).toString());
    });
    SetDirectory(QDir::currentPath());
}

void TDirectoryListBox::SetDirectory(const QString& Directory)
{
    const QDir directory(QDir::cleanPath(QDir(Directory).absolutePath()));
    FDirectory = directory.path();
    clear();
    QStringList ancestors;
    for (QString path = FDirectory; path != QDir::rootPath(); path = QFileInfo(path).path())
        ancestors.prepend(path);
    AddEntry(QDir::rootPath(), QDir::rootPath(), 0);
    for (int depth = 0; depth < ancestors.size(); ++depth)
        AddEntry(ancestors[depth], QDir(ancestors[depth]).dirName(), depth + 1);
    setCurrentRow(count() - 1);
    const QStringList subdirectories = directory.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subdirectories)
        AddEntry(directory.filePath(name), name, static_cast<int>(ancestors.size()) + 1);
}

void TDirectoryListBox::AddEntry(const QString& Path, const QString& Text, int Depth)
{
    auto* entry = new QListWidgetItem(QString(Depth * 2, QLatin1Char(' ')) + Text, this);
    entry->setData(Qt::UserRole, Path);
}

TTabSheet::TTabSheet(TComponent* AOwner)
    : TWinControl(AOwner, nullptr)
{
    new TAlignLayout(this);
}

void TTabSheet::SetCaption(const QString& Caption)
{
    setWindowTitle(Caption);
    if (TPageControl* control = PageControl())
        control->UpdateCaption(this);
}

TPageControl* TTabSheet::PageControl() const
{
    // A page sits in the page control's page stack.
    QWidget* stack = parentWidget();
    return stack ? dynamic_cast<TPageControl*>(stack->parentWidget()) : nullptr;
}

void TTabSheet::SetPageControl(TPageControl* PageControl)
{
    if (TPageControl* current = this->PageControl())
        current->removeTab(current->indexOf(this));
    if (PageControl)
        PageControl->addTab(this, Caption());
    else
        setParent(nullptr);
}

TPageControl::TPageControl(TComponent* AOwner, QWidget* Parent)
    : TWinControl(AOwner, Parent)
{
}

void TPageControl::InsertDockClient(QWidget* Control)
{
    addTab(Control, Control->windowTitle());
}

void TPageControl::RemoveDockClient(QWidget* Control)
{
    removeTab(indexOf(Control));
}

QList<QWidget*> TPageControl::DockClientList() const
{
    QList<QWidget*> clients;
    for (int i = 0; i < count(); ++i)
        if (::HostDockSite(widget(i)) == this)
            clients.append(widget(i));
    return clients;
}

void TPageControl::UpdateCaption(QWidget* Page)
{
    const int index = indexOf(Page);
    if (index >= 0)
        setTabText(index, Page->windowTitle());
}

TImage::TImage(TComponent* AOwner, QWidget* Parent)
    : TWinControl(AOwner, Parent)
{
}

void TImage::SetPicture(const QImage& Picture)
{
    FPicture = Picture;
    setPixmap(QPixmap::fromImage(Picture));
}
