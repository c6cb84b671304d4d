#include "OptionsForm.h"

#include "DbTables.h"
#include "DirectoryForm.h"
#include "Env.h"
#include "NavigatorManager.h"
#include "ParamManager.h"
#include "PropertyPages.h"
#include "Registry.h"
#include "UnitLifetime.h"

#include <QGuiApplication>
#include <QScreen>

namespace OptionsForm {

VEL_IMPLEMENT_CLASS(TOptionFrm)

const QStringList AliasValueNames = {QStringLiteral("Alias"), QStringLiteral("AliasExport"),
    QStringLiteral("AliasImport"), QStringLiteral("AliasAcceptExport"), QStringLiteral("AliasAcceptImport")};

TOptionFrm* OptionFrm = nullptr;

namespace {

// The list entry standing for an alias that is not defined, and the value written for it.
const QString NotDefinedItem = QStringLiteral("Не определен");
const QString NotDefinedValue = QStringLiteral("none");
const QString PackagesPathValue = QStringLiteral("PackagesPath");
// The values whose reading also sets the parameter of the same name.
const QStringList ParameterValueNames = {QStringLiteral("Alias"), QStringLiteral("AliasImport"),
    QStringLiteral("AliasExport")};

// The value if it exists, else empty.
QString ReadOptional(TRegistry& Registry, const QString& Name)
{
    return Registry.ValueExists(Name) ? Registry.ReadString(Name) : QString();
}

void SetParameter(const QString& Name, const QString& Value)
{
    ParamManager::ParameterManager->SetStringParam(Name, Value);
}

// Selects the first entry equal to Value without regard to letter case, else the last one.
void SelectAlias(TComboBox* Box, const QString& Value)
{
    const QStringList items = Box->Items();
    for (int i = 0; i < items.size(); ++i)
        if (TStringList::SameText(items[i], Value)) {
            Box->SetItemIndex(i);
            return;
        }
    Box->SetItemIndex(items.size() - 1);
}

// What the box stands for: "none" while it shows "Не определен", else its text as typed.
QString AliasValue(const TComboBox* Box)
{
    return Box->Text() == NotDefinedItem ? NotDefinedValue : Box->Text();
}

QStringList SessionAliases()
{
    TStringList names;
    Session().GetAliasNames(&names);
    QStringList aliases;
    for (int i = 0; i < names.Count(); ++i)
        aliases.append(names.Strings(i));
    return aliases;
}

} // namespace

TOptionFrm::TOptionFrm(TComponent* AOwner)
    : TOptionForm(AOwner)
{
    SetCaption(QStringLiteral("Настройки"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(420, 330);
    move(QGuiApplication::primaryScreen()->availableGeometry().center() - rect().center());

    PageControl1 = new TPageControl(this, this);
    PageControl1->SetBounds(8, 8, 404, 276);
    TabSheet1 = new TTabSheet(this);
    TabSheet1->SetCaption(QStringLiteral("Основные"));
    TabSheet1->SetPageControl(PageControl1);

    ComboBox1 = AddAliasBox(Label1, QStringLiteral("Алиас базы данных"), 8);
    ComboBox2 = AddAliasBox(Label2, QStringLiteral("Алиас для экспорта"), 48);
    ComboBox3 = AddAliasBox(Label3, QStringLiteral("Алиас для импорта"), 88);
    ComboBox4 = AddAliasBox(Label4, QStringLiteral("Алиас для отправки подтверждения"), 128);
    ComboBox5 = AddAliasBox(Label5, QStringLiteral("Алиас для приема подтверждения"), 168);
    Label6 = new TLabel(this, TabSheet1);
    Label6->SetCaption(QStringLiteral("Каталог для модулей"));
    Label6->SetBounds(8, 208, 380, 16);
    Edit1 = new TEdit(this, TabSheet1);
    Edit1->SetBounds(8, 224, 356, 21);
    SpeedButton1 = new TButton(this, TabSheet1);
    SpeedButton1->SetCaption(QStringLiteral("..."));
    SpeedButton1->setFlat(true);
    SpeedButton1->SetBounds(366, 224, 23, 22);
    SpeedButton1->OnClick = [this](TObject* Sender) { SpeedButton1Click(Sender); };
    SpeedButton1->Hide();

    Button1 = new TButton(this, this);
    Button1->SetCaption(QStringLiteral("ОК"));
    Button1->SetModalResult(mrOk);
    Button1->SetBounds(256, 296, 75, 25);
    Button2 = new TButton(this, this);
    Button2->SetCaption(QStringLiteral("Отмена"));
    Button2->SetModalResult(mrCancel);
    Button2->SetBounds(337, 296, 75, 25);
}

TComboBox* TOptionFrm::AddAliasBox(TLabel*& Label, const QString& Caption, int Top)
{
    Label = new TLabel(this, TabSheet1);
    Label->SetCaption(Caption);
    Label->SetBounds(8, Top, 380, 16);
    auto* box = new TComboBox(this, TabSheet1);
    box->SetStyle(csDropDown);
    // A typed alias is taken as typed, never added to the list.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->SetBounds(8, Top + 16, 380, 21);
    return box;
}

std::vector<TComboBox*> TOptionFrm::AliasBoxes() const
{
    return {ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5};
}

void TOptionFrm::EditSettings()
{
    ComboBox1->SetItems(SessionAliases());
    LoadSettings();
    if (ShowWithPages(true, QString()))
        SaveSettings();
    ComboBox1->clear();
}

void TOptionFrm::LoadSettings()
{
    TRegistry registry;
    registry.OpenKey(Env::RegistryKeyRoot, false);
    QStringList values;
    for (const QString& name : AliasValueNames) {
        values.append(ReadOptional(registry, name));
        if (ParameterValueNames.contains(name) && registry.ValueExists(name))
            SetParameter(name, values.last());
    }
    const QStringList items = ComboBox1->Items() << NotDefinedItem;
    const std::vector<TComboBox*> boxes = AliasBoxes();
    for (size_t i = 0; i < boxes.size(); ++i) {
        boxes[i]->SetItems(items);
        SelectAlias(boxes[i], values[static_cast<int>(i)]);
    }
    // A missing directory shows as empty, never as another application's directory.
    Edit1->SetText(ReadOptional(registry, PackagesPathValue));
    if (registry.ValueExists(PackagesPathValue))
        SetParameter(PackagesPathValue, Edit1->Text());
}

void TOptionFrm::SaveSettings()
{
    TRegistry registry;
    registry.OpenKey(Env::RegistryKeyRoot, false);
    const std::vector<TComboBox*> boxes = AliasBoxes();
    for (size_t i = 0; i < boxes.size(); ++i)
        registry.WriteString(AliasValueNames[static_cast<int>(i)], AliasValue(boxes[i]));
    registry.WriteString(PackagesPathValue, Edit1->Text());
}

bool TOptionFrm::ShowMainPage()
{
    ShowWithPages(true, QString());
    return true;
}

bool TOptionFrm::ActivatePage(const QString& PageName)
{
    ShowWithPages(PropertyPages::Pages->IndexOf(PageName) >= 0, PageName);
    return true;
}

bool TOptionFrm::ShowWithPages(bool DockPages, const QString& ActivePageName)
{
    const std::vector<TDockedPage> docked = DockPages ? DockRegisteredPages() : std::vector<TDockedPage>();
    PageControl1->SetActivePageIndex(ActiveIndexOf(docked, ActivePageName));
    const bool confirmed = ShowModal() == mrOk;
    UndockPages(docked, confirmed);
    if (NavigatorManager::CurrentNavigator)
        NavigatorManager::CurrentNavigator->Refresh();
    return confirmed;
}

std::vector<TOptionFrm::TDockedPage> TOptionFrm::DockRegisteredPages()
{
    std::vector<TDockedPage> docked;
    for (int i = 0; i < PropertyPages::Pages->Count(); ++i) {
        auto* sheet = dynamic_cast<TTabSheet*>(PropertyPages::Pages->Objects(i));
        if (!sheet)
            continue;
        sheet->SetCaption(PropertyPages::Pages->Strings(i));
        sheet->ManualDock(PageControl1);
        docked.push_back({i, sheet});
        auto* procs = static_cast<PropertyPages::TPageProc*>(PropertyPages::PagesProc->Objects(i));
        if (procs->LoadProc)
            procs->LoadProc();
    }
    return docked;
}

void TOptionFrm::UndockPages(const std::vector<TDockedPage>& Docked, bool Confirmed)
{
    for (auto page = Docked.rbegin(); page != Docked.rend(); ++page) {
        page->Sheet->ManualFloat(QRect(0, 0, 1, 1));
        if (!Confirmed || page->Index >= PropertyPages::PagesProc->Count())
            continue;
        auto* procs = static_cast<PropertyPages::TPageProc*>(PropertyPages::PagesProc->Objects(page->Index));
        if (procs->SaveProc)
            procs->SaveProc();
    }
}

int TOptionFrm::ActiveIndexOf(const std::vector<TDockedPage>& Docked, const QString& PageName) const
{
    int active = 0;
    for (size_t i = 0; i < Docked.size(); ++i)
        if (!PageName.isEmpty() && TStringList::SameText(PropertyPages::Pages->Strings(Docked[i].Index), PageName))
            active = static_cast<int>(i) + 1;
    return active;
}

void TOptionFrm::SpeedButton1Click(TObject*)
{
    if (DirectoryForm::DirectoryFrm->ShowModal() == mrOk)
        Edit1->SetText(DirectoryForm::DirectoryFrm->Directory());
}

namespace {

void CreateDialog()
{
    OptionFrm = new TOptionFrm(Env::FormOwner);
    // An owner that goes first takes the dialog with it: the pointer must not outlive it.
    QObject::connect(OptionFrm, &QObject::destroyed, [] {
        if (PropertyPages::PropertyForm == OptionFrm)
            Env::UnRegisterMainPropertyPage();
        OptionFrm = nullptr;
    });
    Env::RegisterMainPropertyPage(OptionFrm);
}

void DestroyDialog()
{
    Env::UnRegisterMainPropertyPage();
    delete OptionFrm;
}

TUnitLifetime Lifetime(CreateDialog, DestroyDialog);

} // namespace

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace OptionsForm
