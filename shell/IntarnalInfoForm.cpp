#include "IntarnalInfoForm.h"

#include "DatabaseManager.h"
#include "Env.h"
#include "ParamManager.h"

namespace IntarnalInfoForm {

VEL_IMPLEMENT_CLASS(TForm3)

const QString ServicePassword = QStringLiteral("QUINTAR");

TForm3* Form3 = nullptr;

namespace {

// The entry texts of a registry.
QStringList Texts(const TStringList* List)
{
    QStringList texts;
    if (List)
        for (int i = 0; i < List->Count(); ++i)
            texts.append(List->Strings(i));
    return texts;
}

QStringList ParameterTexts()
{
    TStringList parameters;
    if (ParamManager::ParameterManager)
        ParamManager::ParameterManager->GetParameterList(&parameters);
    return Texts(&parameters);
}

// The SQL texts of the listed queries, or the table names of the listed tables.
template <class TDataSetKind, class TDescribe>
QStringList Describe(const TStringList* DataSets, TDescribe Description)
{
    QStringList texts;
    for (int i = 0; i < DataSets->Count(); ++i)
        if (auto* dataSet = dynamic_cast<TDataSetKind*>(DataSets->Objects(i)))
            texts.append(Description(dataSet));
    return texts;
}

} // namespace

TForm3::TForm3(TComponent* AOwner)
    : TForm(AOwner)
{
    SetCaption(QStringLiteral("Служебная информация"));
    setWindowFlags(Qt::Dialog);
    resize(520, 360);
    PageControl1 = new TPageControl(this, this);
    PageControl1->SetAlign(alClient);

    TabSheet1 = AddPage(QStringLiteral("Модули"));
    ListBox1 = AddList(TabSheet1, alClient);
    TabSheet2 = AddPage(QStringLiteral("Классы"));
    ListBox2 = AddList(TabSheet2, alClient);
    TabSheet3 = AddPage(QStringLiteral("Пользователь"));
    TabSheet4 = AddPage(QStringLiteral("Контексты"));
    ListBox3 = AddList(TabSheet4, alClient);
    TabSheet5 = AddPage(QStringLiteral("Навигатор"));
    ListBox4 = AddList(TabSheet5, alClient);
    TabSheet6 = AddPage(QStringLiteral("Параметры"));
    ListBox6 = AddList(TabSheet6, alRight);
    ListBox5 = AddList(TabSheet6, alClient);
    TabSheet7 = AddPage(QStringLiteral("Базы данных"));
    ListBox7 = AddList(TabSheet7, alLeft);
    ListBox9 = AddList(TabSheet7, alRight);
    ListBox8 = AddList(TabSheet7, alClient);
    ListBox7->OnClick = [this](TObject* Sender) { ListBox7Click(Sender); };

    // The databases are what an administrator looks at first; later the page chosen last stays.
    PageControl1->SetActivePageIndex(PageControl1->PageCount() - 1);
}

TTabSheet* TForm3::AddPage(const QString& Caption)
{
    auto* page = new TTabSheet(this);
    page->SetCaption(Caption);
    page->SetPageControl(PageControl1);
    return page;
}

TListBox* TForm3::AddList(TTabSheet* Page, TAlign Align)
{
    auto* list = new TListBox(this, Page);
    list->resize(160, list->height());
    list->SetAlign(Align);
    return list;
}

void TForm3::FillLists()
{
    ListBox1->SetItems(Texts(Env::Modules));
    ListBox2->SetItems(Texts(Env::ClassNames));
    ListBox3->SetItems(Texts(Env::ContextsNames));
    ListBox4->SetItems(Texts(Env::Navigators));
    ListBox5->SetItems(ParameterTexts());
    ListBox6->Clear();
    ListBox7->SetItems(Texts(DatabaseManager::Databases));
    ListBox8->Clear();
    ListBox9->Clear();
}

void TForm3::ListBox7Click(TObject*)
{
    const int selected = ListBox7->ItemIndex();
    if (selected < 0)
        return;
    ListBox8->Clear();
    ListBox9->Clear();
    const int index = DatabaseManager::Databases->IndexOf(ListBox7->item(selected)->text());
    if (index < 0)
        return;
    auto* info = static_cast<DatabaseManager::TDatabaseInfo*>(DatabaseManager::Databases->Objects(index));
    ListBox8->SetItems(Describe<TQuery>(info->QueryList, [](TQuery* query) { return query->SQL()->Text(); }));
    ListBox9->SetItems(Describe<TTable>(info->TableList, [](TTable* table) { return table->TableName(); }));
}

} // namespace IntarnalInfoForm
