#include "DemoRecords.h"

#include "DbTables.h"
#include "Dialogs.h"
#include "Env.h"
#include "Exceptions.h"
#include "Menus.h"
#include "MessageManager.h"
#include "NavigatorManager.h"
#include "TreeView.h"

#include <QLocale>

namespace DemoRecords {

VEL_IMPLEMENT_CLASS(TRecordForm)
VEL_IMPLEMENT_CLASS(TListForm)
VEL_IMPLEMENT_CLASS(TRecordClass)
VEL_IMPLEMENT_CLASS(TRecordInstance)

namespace {

const int FieldHeight = 24;
const int CaptionWidth = 140;
const int ButtonBarHeight = 32;
const int ButtonWidth = 170;

// A band at the top of the form: the caption on the left, the edit filling the rest.
TEdit* AddField(TForm* Form, const TColumn& Column)
{
    auto* band = new TPanel(Form, Form);
    band->SetAlign(alTop);
    band->setFixedHeight(FieldHeight);
    band->SetBevelOuter(bvNone);
    auto* label = new TLabel(band, band);
    label->SetCaption(Column.Caption);
    label->setFixedWidth(CaptionWidth);
    label->SetAlign(alLeft);
    auto* edit = new TEdit(band, band);
    edit->SetAlign(alClient);
    // Found by its column, as the row names it.
    edit->setObjectName(Column.Name.toUpper());
    return edit;
}

std::unique_ptr<TQuery> NewQuery(const QString& SQL, const QMap<QString, QVariant>& Params)
{
    auto query = std::make_unique<TQuery>();
    query->SetDatabaseName(SessionDatabaseName());
    query->SQL()->Add(SQL);
    for (auto it = Params.begin(); it != Params.end(); ++it)
        query->ParamByName(it.key())->SetValue(it.value());
    return query;
}

// An empty edit stands for NULL: a number or date column takes no empty text.
// The edit's text as the column takes it; raises EConvertError naming the field.
QVariant ColumnValue(const TColumn& Column, const QString& Text)
{
    const QString trimmed = Text.trimmed();
    if (trimmed.isEmpty())
        return QVariant();
    bool converted = true;
    QVariant value(Text);
    if (Column.Kind == TColumnKind::Integer)
        value = QLocale::c().toLongLong(trimmed, &converted);
    else if (Column.Kind == TColumnKind::Number)
        value = QLocale::c().toDouble(QString(trimmed).replace(QLatin1Char(','), QLatin1Char('.')), &converted);
    if (!converted)
        throw EConvertError(QStringLiteral("Поле «%1»: '%2' не является %3").arg(Column.Caption, Text,
            Column.Kind == TColumnKind::Integer ? QStringLiteral("целым числом") : QStringLiteral("числом")));
    return value;
}

// NULL shows as an empty edit, whatever the column's type.
QString FieldText(const TField* Field)
{
    return Field->IsNull() ? QString() : Field->AsString();
}

// The rows the navigator has listed below Node as its instances; false when it has listed
// none. Showing a class node's form right after expanding it then does not read a list of a
// hundred thousand rows a second time.
bool ListedRows(TTreeNode* Node, EClasses::TEntityChildList& Rows)
{
    for (int i = 0; Node && i < Node->Count(); ++i)
        if (const auto* row = Node->Item(i)->DataAs<EClasses::TEntityInstance>())
            Rows.AddChild(row->ID, Node->Item(i)->Text());
    return Rows.Count() > 0;
}

} // namespace

TMenuItem* RegisterMenuService(const QString& Name, const QString& MenuCaption, TNotifyEvent OnClick)
{
    auto* item = new TMenuItem;
    item->SetCaption(Name);
    item->OnClick = std::move(OnClick);
    Env::RegisterEntityService(Name, 0, MenuCaption, item);
    return item;
}

void UnregisterMenuService(const QString& Name, TMenuItem*& Item)
{
    if (!Item)
        return;
    Env::UnregisterEntityService(Name);
    delete Item;
    Item = nullptr;
}

QString SessionDatabaseName()
{
    return Env::Database ? Env::Database->DatabaseName() : QString();
}

int ExecSQL(const QString& SQL, const QMap<QString, QVariant>& Params)
{
    auto query = NewQuery(SQL, Params);
    query->ExecSQL();
    return query->RowsAffected();
}

QVariant QueryValue(const QString& SQL, const QMap<QString, QVariant>& Params)
{
    auto query = NewQuery(SQL, Params);
    query->Open();
    const QVariant value = query->Eof() ? QVariant() : query->Fields(0)->Value();
    query->Close();
    return value;
}

// --- registrations and subscriptions -------------------------------------------------------

void TClassRegistrations::Register(TClass Class, TForm* Form)
{
    Env::RegisterEntityClass(Class, Form);
    FEntries.emplace_back(Class, Form);
}

void TClassRegistrations::UnregisterAll()
{
    while (!FEntries.empty()) {
        auto [entityClass, form] = FEntries.back();
        FEntries.pop_back();
        Env::UnregisterEntityClass(entityClass);
        delete form;
    }
}

void TClassRegistrations::RegisterList(TClass Class, const char* Caption)
{
    Register(Class, new TListForm(QString::fromUtf8(Caption)));
}

void TClassRegistrations::RegisterRecord(TClass Class, const char* Caption, const QList<TColumn>& Columns, bool WithSubForms)
{
    Register(Class, new TRecordForm(QString::fromUtf8(Caption), Columns, WithSubForms));
}

TColumn Col(const char* Name, const char* Caption, TColumnKind Kind)
{
    return {QString::fromLatin1(Name), QString::fromUtf8(Caption), Kind};
}

TPanel* NewButtonBar(TComponent* Owner, QWidget* Parent, TAlign Align)
{
    auto* bar = new TPanel(Owner, Parent);
    bar->SetAlign(Align);
    bar->setFixedHeight(ButtonBarHeight);
    return bar;
}

TButton* AddBarButton(TPanel* Bar, const QString& Caption, TNotifyEvent OnClick)
{
    auto* button = new TButton(Bar, Bar);
    button->SetCaption(Caption);
    button->setFixedWidth(ButtonWidth);
    button->SetAlign(alLeft);
    button->OnClick = std::move(OnClick);
    return button;
}

TForm* RegisteredForm(const QString& ClassName)
{
    const int index = Env::ClassForms ? Env::ClassForms->IndexOf(ClassName) : -1;
    return index < 0 ? nullptr : Env::ClassForms->ObjectAs<TForm>(index);
}

TClass RegisteredClass(const QString& ClassName)
{
    const int index = Env::ClassNames ? Env::ClassNames->IndexOf(ClassName) : -1;
    return index < 0 ? nullptr : Env::ClassNames->ObjectAs<TMetaClass>(index);
}

TSubscriptions::~TSubscriptions()
{
    if (!FPost || FPost != Env::Post)
        return;
    for (qint32 type : FTypes)
        FPost->UnSubscribe(FSubscriber, type);
}

void TSubscriptions::Subscribe(qint32 MessageType)
{
    if (!Env::Post || (FPost && FPost != Env::Post))
        return;
    FPost = Env::Post;
    FPost->Subscribe(FSubscriber, MessageType);
    FTypes.push_back(MessageType);
}

// --- TRecordForm ----------------------------------------------------------------------------

TRecordForm::TRecordForm(const QString& Caption, const QList<TColumn>& Columns, bool WithSubForms)
{
    SetCaption(Caption);
    for (const TColumn& column : Columns) {
        TEdit* edit = AddField(this, column);
        FEdits.insert(column.Name.toUpper(), edit);
        FColumns.insert(column.Name.toUpper(), column);
        connect(edit, &QLineEdit::textChanged, this, &TRecordForm::FieldChanged);
    }
    if (WithSubForms) {
        auto* site = new TPanel(this, this);
        site->SetAlign(alClient);
        site->SetBevelOuter(bvNone);
        DockSite = site;
    }
}

void TRecordForm::ShowValues(const QMap<QString, QString>& Values)
{
    FFilling = true;
    for (auto it = FEdits.begin(); it != FEdits.end(); ++it)
        it.value()->SetText(Values.value(it.key()));
    FFilling = false;
}

QMap<QString, QString> TRecordForm::Values() const
{
    QMap<QString, QString> values;
    for (auto it = FEdits.begin(); it != FEdits.end(); ++it)
        values.insert(it.key(), it.value()->Text());
    return values;
}

QMap<QString, QVariant> TRecordForm::ColumnValues(const QMap<QString, QString>& Values) const
{
    QMap<QString, QVariant> values;
    for (auto it = Values.begin(); it != Values.end(); ++it)
        values.insert(it.key(), ColumnValue(FColumns.value(it.key(), TColumn{it.key(), it.key()}), it.value()));
    return values;
}

TButton* TRecordForm::AddButton(const QString& Caption, TNotifyEvent OnClick)
{
    if (!FButtonBar) {
        FButtonBar = NewButtonBar(this, this, alTop);
        FButtonBar->SetBevelOuter(bvNone);
    }
    return AddBarButton(FButtonBar, Caption, std::move(OnClick));
}

bool TRecordForm::SaveShownRow()
{
    auto* instance = dynamic_cast<EClasses::TEntityInstance*>(Entity);
    if (!instance)
        return false;
    try {
        instance->Save();
        return true;
    } catch (...) {
        ShowMessage(ExceptionMessage(std::current_exception()));
        return false;
    }
}

void TRecordForm::FieldChanged()
{
    if (FFilling)
        return;
    if (auto* instance = dynamic_cast<EClasses::TEntityInstance*>(Entity))
        instance->Modified = true;
}

// --- TListForm ------------------------------------------------------------------------------

TListForm::TListForm(const QString& Caption)
    : FList(new TListBox(this, this))
{
    SetCaption(Caption);
    FList->SetAlign(alClient);
}

void TListForm::ShowChildren(EClasses::TEntityChildList* Children)
{
    FList->Clear();
    for (int i = 0; i < Children->Count(); ++i)
        FList->AddItem(Children->GetName(i));
}

// --- TRecordClass ---------------------------------------------------------------------------

TRecordClass::TRecordClass(const QString& Condition, TDataSet* DataSet, const QString& Table, TListForm* ListForm)
    : TEntityClass(Condition, DataSet)
{
    TableName = Table;
    Form = ListForm;
}

TRecordClass::~TRecordClass()
{
    if (Form && Form->Entity == this)
        Form->Entity = nullptr;
}

void TRecordClass::Show()
{
    EClasses::TEntityChildList children;
    if (!ListedRows(Node, children))
        GetChildList(&children);
    static_cast<TListForm*>(Form)->ShowChildren(&children);
    TEntityClass::Show();
}

void TRecordClass::OnMessage(EClasses::TMessageInfo* Info)
{
    ++ReceivedMessages;
    LastMessageText = Info->Text;
    if (!AlreadyShows(Info))
        Refresh();
}

void TRecordClass::Refresh()
{
    if (NavigatorManager::CurrentNavigator && Node)
        NavigatorManager::CurrentNavigator->RefreshNodeAfterContextChange(Node);
}

// --- TRecordInstance ------------------------------------------------------------------------

TRecordInstance::TRecordInstance(qint64 ID, const QString& Name, const QString& Table, TRecordForm* RecordForm)
    : TEntityInstance(ID, Name)
{
    TableName = Table;
    Form = RecordForm;
}

TRecordInstance::~TRecordInstance()
{
    if (Form && Form->Entity == this)
        Form->Entity = nullptr;
}

TRecordForm* TRecordInstance::RecordForm() const
{
    return static_cast<TRecordForm*>(Form);
}

// The row query stays open with the row as read: a save writes only over those values.
void TRecordInstance::Load()
{
    const QStringList columns = RecordForm()->ColumnNames();
    if (!FRowQuery) {
        FRowQuery = NewQuery(QStringLiteral("select ID, %1 from %2 where ID = :ID").arg(columns.join(QStringLiteral(", ")), TableName),
            {{QStringLiteral("ID"), ID}});
        FRowQuery->SetUpdateTableName(TableName);
    }
    FRowQuery->Close();
    DataSet = FRowQuery.get();
    TEntityInstance::Load();
    // Read to its end, the query holds no cursor (which on SQLite would keep others from writing).
    FRowQuery->FetchAll();
    Values.clear();
    if (Found)
        for (const QString& column : columns)
            Values.insert(column, FieldText(DataSet->FieldByName(column)));
}

void TRecordInstance::Show()
{
    Load();
    RecordForm()->ShowValues(Values);
    Modified = false;
    TEntityInstance::Show();
}

void TRecordInstance::Save()
{
    if (Form->Entity == this)
        WriteRow(RecordForm()->Values());
    TEntityInstance::Save();
    Saved();
}

// Writes the columns whose text differs from the row as loaded; the table takes them only if
// no one else has changed those columns since. A failure (another user's change, a field that
// holds no number, the database's refusal) raises: nothing is written, and the edits stay in
// the form, the instance modified.
void TRecordInstance::WriteRow(const QMap<QString, QString>& Row)
{
    const QMap<QString, QVariant> values = RecordForm()->ColumnValues(Row);
    if (!Found || !FRowQuery || !FRowQuery->Active())
        throw EDatabaseError(RecordChangedMessage());
    try {
        FRowQuery->Edit();
        for (auto it = Row.begin(); it != Row.end(); ++it)
            if (it.value() != Values.value(it.key()))
                FRowQuery->FieldByName(it.key())->SetValue(values.value(it.key()));
        FRowQuery->Post();
    } catch (...) {
        FRowQuery->Cancel();
        throw;
    }
    Values = Row;
    if (Row.contains(QStringLiteral("NAZVANIE")))
        Name = Row.value(QStringLiteral("NAZVANIE"));
}

} // namespace DemoRecords
