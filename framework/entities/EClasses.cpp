#include "EClasses.h"

#include "Clipboard.h"
#include "ContextManager.h"
#include "DbTables.h"
#include "Env.h"
#include "Exceptions.h"
#include "LongWork.h"
#include "MessageManager.h"
#include "NavigatorManager.h"
#include "ObjectManager.h"
#include "TreeView.h"

#include <QSqlError>
#include <QSqlQuery>

#include <memory>
#include <thread>

namespace EClasses {

using NavigatorManager::CurrentNavigator;
using ObjectManager::Objects;

VEL_IMPLEMENT_CLASS(TEntityChild)
VEL_IMPLEMENT_CLASS(TEntityChildList)
VEL_IMPLEMENT_CLASS(TEntity)
VEL_IMPLEMENT_CLASS(TEntityClass)
VEL_IMPLEMENT_CLASS(TEntityInstance)
VEL_IMPLEMENT_CLASS(TEntityContainer)
VEL_IMPLEMENT_CLASS(TMessageInfo)
VEL_IMPLEMENT_CLASS(TNavigationInfo)
VEL_IMPLEMENT_CLASS(TEntityLink)
VEL_IMPLEMENT_CLASS(TEntityForm)
VEL_IMPLEMENT_CLASS(TNavigatorForm)
VEL_IMPLEMENT_CLASS(TNavigator)
VEL_IMPLEMENT_CLASS(TEntityApplication)
VEL_IMPLEMENT_CLASS(TEntityWizard)
VEL_IMPLEMENT_CLASS(THelper)
VEL_IMPLEMENT_CLASS(TSequencer)
VEL_IMPLEMENT_CLASS(TCopyCartridge)
VEL_IMPLEMENT_CLASS(TCopyService)
VEL_IMPLEMENT_CLASS(TServiceInfo)
VEL_IMPLEMENT_CLASS(TRefreshProcedure)
VEL_IMPLEMENT_CLASS(TSubsribtionInfo)
VEL_IMPLEMENT_CLASS(TOptionForm)
VEL_IMPLEMENT_CLASS(TMainForm)
VEL_IMPLEMENT_CLASS(TSopostavForm)

namespace {

const QString DefaultContextName = QStringLiteral("_default");
// The deepest tree level AddInstanceAsChildOf searches, counting the start node as 1.
const qint32 SearchDepth = 4;

QString SessionDatabaseName()
{
    return Env::Database ? Env::Database->DatabaseName() : QString();
}

void FreeAttachedObjects(TStringList* List)
{
    for (int i = 0; List && i < List->Count(); ++i)
        delete List->Objects(i);
}

TNavigator* RunningNavigator()
{
    if (!CurrentNavigator)
        throw Exception(QStringLiteral("Навигатор не запущен"));
    return CurrentNavigator;
}

ObjectManager::TEObjects* Registry()
{
    if (!Objects)
        throw Exception(QStringLiteral("Реестр ссылок на объекты не создан"));
    return Objects;
}

// The class name of the entity a node carries; empty when it carries none.
QString EntityClassName(const TTreeNode* Node)
{
    auto* entity = Node->DataAs<TEntity>();
    return entity ? entity->ClassName() : QString();
}

// The link list of a class in the current navigator's schema, or null.
TStringList* SchemaLinksOf(const QString& ClassName)
{
    if (!CurrentNavigator || !CurrentNavigator->FClassNames)
        return nullptr;
    const int index = CurrentNavigator->FClassNames->IndexOf(ClassName);
    return index < 0 ? nullptr : CurrentNavigator->FClassNames->ObjectAs<TStringList>(index);
}

// --- child lists ----------------------------------------------------------------------------

qint64 StrToInt64(const QString& Text)
{
    bool converted = false;
    const qint64 value = Text.trimmed().toLongLong(&converted);
    if (!converted)
        throw EConvertError(QStringLiteral("'%1' не является целым числом").arg(Text));
    return value;
}

// The ID a column holds: a number as it is, a text converted.
qint64 IDOf(const QVariant& Value)
{
    bool converted = false;
    const qint64 number = Value.toLongLong(&converted);
    return converted ? number : StrToInt64(Value.toString());
}

QString TableNameOf(const TDataSet* DataSet)
{
    auto* table = dynamic_cast<const TTable*>(DataSet);
    return table ? table->TableName() : QString();
}

// The last line of a child query. The condition is followed by a blank: a condition ending
// in a number or a name would otherwise run into the ORDER BY clause ("ID=17ORDER BY"),
// which no database parses.
QString OrderedWhereLine(const QString& Condition)
{
    const QString order = QStringLiteral("ORDER BY NAZVANIE");
    return Condition.isEmpty() ? order : QStringLiteral("where ") + Condition + QLatin1Char(' ') + order;
}

// Appends the (ID, NAZVANIE) rows of Table that meet Condition, in name order. A read error
// is reported, naming the table of the entity's own dataset; the rows read so far stay. The
// rows are read forward only, straight from the session database: a list may have a hundred
// thousand rows, and none of them is needed twice.
void ReadChildList(const QString& Table, const QString& Condition, const TDataSet* OwnDataSet, TEntityChildList* List)
{
    const QString text = QStringLiteral("select ID, NAZVANIE from ") + Table + QLatin1Char('\n') + OrderedWhereLine(Condition);
    try {
        if (!Env::Database)
            throw EDatabaseError(QStringLiteral("Нет базы данных сеанса"));
        QSqlQuery rows = Env::Database->NewStatement();
        rows.setForwardOnly(true);
        if (!rows.exec(text))
            throw EDatabaseError(rows.lastError().text());
        // Long work under way stops reading at the row where a stop is asked for.
        while (rows.next()) {
            List->AddChild(IDOf(rows.value(0)), rows.value(1).toString());
            if (!LongWork::TLongWork::StepCurrent())
                break;
        }
    } catch (const std::exception&) {
        // The table of the entity's own dataset, else the table read; then the database's reason.
        const QString ownTable = TableNameOf(OwnDataSet);
        ShowMessage(QStringLiteral("Произошла ошибка чтения данных из таблицы ") + (ownTable.isEmpty() ? Table : ownTable)
            + QLatin1Char('\n') + ExceptionMessage(std::current_exception()));
    }
}

// --- journals -------------------------------------------------------------------------------

void OpenJournal(TTable* Table, const QString& Name)
{
    Table->Close();
    Table->SetTableName(Name);
    Table->Open();
}

bool JournalHolds(TTable* Table, qint64 ID)
{
    return Table->Locate(QStringLiteral("ID"), QVariant(ID), 0);
}

void JournalAppend(TTable* Table, qint64 ID)
{
    Table->Append();
    Table->FieldByName(QStringLiteral("ID"))->SetAsString(QString::number(ID));
    Table->Post();
}

// --- container parameters -------------------------------------------------------------------

[[noreturn]] void RaiseRangeError()
{
    throw ERangeError(QStringLiteral("Ошибка проверки диапазона"));
}

// The pairs of the "!" form: each pair is closed by "&"; text after the last "&" is dropped.
void SplitPairs(const QString& Text, TStringList& Pairs)
{
    QString pair;
    for (const QChar c : Text) {
        if (c == QLatin1Char('&')) {
            Pairs.Add(pair);
            pair.clear();
        } else {
            pair += c;
        }
    }
}

// column "=" value: the text before the first "=", "=", the text after the last "=".
QString LiteralCondition(const QString& Params)
{
    const qsizetype first = Params.indexOf(QLatin1Char('='));
    if (first < 0)
        RaiseRangeError();
    return Params.left(first) + QLatin1Char('=') + Params.mid(Params.lastIndexOf(QLatin1Char('=')) + 1);
}

// --- adding and removing instance nodes -----------------------------------------------------

QString IDText(qint64 ID)
{
    return QString::number(ID);
}

// Adds a node for the object below ParentNode and files it; a failure is reported.
void AddObjectNode(const QString& ClassName, const QString& Name, qint64 ID, TTreeNode* ParentNode)
{
    try {
        TTreeNode* node = RunningNavigator()->AddNode(ClassName, Name, ID, ParentNode);
        if (!node)
            return;
        Registry()->AddObjectReference(ClassName, ID, node);
        Env::AddLogRecord(QStringLiteral("Добавлен объект ") + ClassName + QLatin1Char('(') + IDText(ID) + QLatin1Char(')'));
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Ошибка добавления экземпляра класса ") + ClassName);
    }
}

// Depth first below Node (at Depth), through nodes whose class lies on a recorded path:
// the first node of ParentClassName, expanded, or null.
TTreeNode* FindParentNode(TTreeNode* Node, qint32 Depth, const QString& ParentClassName, const TNavigationInfo& Info)
{
    const QString className = EntityClassName(Node);
    if (className == ParentClassName) {
        Node->Expand(false);
        return Node;
    }
    if (Depth >= SearchDepth || !Info.CheckClassInfo(Depth, className))
        return nullptr;
    for (int i = 0; i < Node->Count(); ++i)
        if (TTreeNode* found = FindParentNode(Node->Item(i), Depth + 1, ParentClassName, Info))
            return found;
    return nullptr;
}

void DeleteObjectNode(TTreeNode* Node)
{
    try {
        delete Node->Data();
        Node->SetData(nullptr);
        RunningNavigator()->DeleteNode(Node);
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Ошибка удаления узла"));
    }
}

} // namespace

// --- creating entities from class references ------------------------------------------------

TEntity* CreateEntity(TClass Class, const QString& Condition, TDataSet* DataSet)
{
    return Class->Create<TEntity, QString, TDataSet*>(Condition, DataSet);
}

TEntityInstance* CreateInstance(TClass Class, qint64 ID, const QString& Name)
{
    return Class->Create<TEntityInstance, qint64, QString>(ID, Name);
}

TEntityContainer* CreateContainer(TClass Class, qint64 ID, const QString& Name, const QString& Params)
{
    return Class->Create<TEntityContainer, qint64, QString, QString>(ID, Name, Params);
}

bool IsInstanceClass(TClass Class)
{
    return Class && Class->InheritsFrom(TEntityInstance::StaticClass());
}

bool IsContainerClass(TClass Class)
{
    return Class && Class->InheritsFrom(TEntityContainer::StaticClass());
}

// --- TEntityChildList -----------------------------------------------------------------------

TEntityChildList::~TEntityChildList()
{
    Clear();
}

void TEntityChildList::AddChild(qint64 ID, const QString& Name)
{
    FItems.push_back(TRow{ID, Name});
}

const TEntityChildList::TRow& TEntityChildList::Row(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("Индекс списка вне допустимого диапазона (%1)").arg(Index));
    return FItems[static_cast<size_t>(Index)];
}

qint64 TEntityChildList::GetID(int Index) const
{
    return Row(Index).ID;
}

void TEntityChildList::SetID(int Index, qint64 ID)
{
    Row(Index);
    FItems[static_cast<size_t>(Index)].ID = ID;
}

QString TEntityChildList::GetName(int Index) const
{
    return Row(Index).Name;
}

void TEntityChildList::SetName(int Index, const QString& Name)
{
    Row(Index);
    FItems[static_cast<size_t>(Index)].Name = Name;
}

qint32 TEntityChildList::IndexByID(qint64 ID) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<size_t>(i)].ID == ID)
            return i;
    return -1;
}

void TEntityChildList::DeleteChild(int Index)
{
    Row(Index);
    FItems.erase(FItems.begin() + Index);
}

void TEntityChildList::Clear()
{
    FItems.clear();
}

void TEntityChildList::ClearInBackground()
{
    // The rows are freed when the thread's function ends, on that thread.
    std::thread([rows = std::move(FItems)] {}).detach();
    FItems.clear();
}

// --- members made on demand -----------------------------------------------------------------

TTable* NewJournalTable()
{
    auto* table = new TTable(Env::FormOwner);
    table->SetDatabaseName(SessionDatabaseName());
    return table;
}

void FreeJournalTable(TTable* Table)
{
    Table->Close();
    delete Table;
}

TStringList* NewEntityList()
{
    return new TStringList;
}

void FreeEntityList(TStringList* List)
{
    delete List;
}

// --- TEntity --------------------------------------------------------------------------------

TEntity::TEntity(const QString& Condition, TDataSet* DataSet)
    : DataSet(DataSet), Condition(Condition), Context(ContextManager::GetContextByName(DefaultContextName)),
      PreviousContext(Context), InheritedContext(Context), UserFlag(false)
{
    ++FLiveCount;
}

std::atomic<qint64> TEntity::FLiveCount = 0;

qint64 TEntity::LiveCount()
{
    return FLiveCount;
}

TEntity::~TEntity()
{
    // An entity that is gone must never receive a message.
    if (Env::Post)
        Env::Post->UnSubscribeAll(this);
    FreeAttachedObjects(AuxList1.IfMade());
    FreeAttachedObjects(AuxList2.IfMade());
    --FLiveCount;
}

QString TEntity::JournalBaseName(const QString& ArgumentTableName) const
{
    return ArgumentTableName.isEmpty() ? TableName : ArgumentTableName;
}

void TEntity::AddToDeleted(const QString& TableName, qint64 ID)
{
    const QString base = JournalBaseName(TableName);
    OpenJournal(DeletedTable, base + QStringLiteral("_D"));
    OpenJournal(NewTable, base + QStringLiteral("_N"));
    if (JournalHolds(NewTable, ID))
        NewTable->Delete();
    else if (!JournalHolds(DeletedTable, ID))
        JournalAppend(DeletedTable, ID);
    NewTable->Close();
    DeletedTable->Close();
}

void TEntity::AddToNew(const QString& TableName, qint64 ID)
{
    OpenJournal(NewTable, JournalBaseName(TableName) + QStringLiteral("_N"));
    if (!JournalHolds(NewTable, ID))
        JournalAppend(NewTable, ID);
    NewTable->Close();
}

void TEntity::OnChangeContext(TContext*, TContext*)
{
}

void TEntity::Show()
{
    if (!Form)
        return;
    try {
        Form->Show();
        Form->Entity = this;
    } catch (...) {
        // A form that fails to show leaves the navigator as it is.
    }
}

void TEntity::OnMessage(TMessageInfo*)
{
}

void TEntity::Refresh()
{
}

bool TEntity::IsVisible()
{
    return true;
}

void TEntity::AfterCreate()
{
}

void TEntity::CopyQuery()
{
    TStringList lines;
    for (int i = 0; i < Queries->Count(); ++i) {
        auto* query = Queries->ObjectAs<TQuery>(i);
        if (!query)
            continue;
        lines.AddStrings(*query->SQL());
        // Each query is followed by a line of the two characters LF and CR.
        lines.Add(QStringLiteral("\n\r"));
    }
    if (!lines.IsEmpty())
        Clipboard::SetText(lines.Text());
}

void TEntity::SetContext(TContext* NewContext)
{
    PreviousContext = Context;
    Context = NewContext;
    if (Context->Name == DefaultContextName || PreviousContext->Name == DefaultContextName)
        return;
    if (PreviousContext == Context)
        return;
    OnChangeContext(PreviousContext, Context);
    if (CurrentNavigator)
        CurrentNavigator->RefreshNodeAfterContextChange(Node);
}

// --- TEntityClass ---------------------------------------------------------------------------

TEntityClass::TEntityClass(const QString& Condition, TDataSet* DataSet)
    : TEntity(Condition, DataSet)
{
}

void TEntityClass::GetChildList(TEntityChildList* List)
{
    ReadChildList(TableName, Condition, DataSet, List);
}

void TEntityClass::AddInstance(const QString& ClassName, const QString& Name, qint64 ID, TTreeNode* ParentNode)
{
    AddObjectNode(ClassName, Name, ID, ParentNode);
}

void TEntityClass::AddInstanceAsSubChild(const QString& ClassName, const QString& SubClassName, const QString& Name,
    qint64 ID, TTreeNode* Node)
{
    if (!Node->HasChildren())
        return;
    for (int i = 0; i < Node->Count(); ++i) {
        TTreeNode* child = Node->Item(i);
        if (EntityClassName(child) != SubClassName)
            continue;
        if (child->HasChildren())
            AddObjectNode(ClassName, Name, ID, child);
        return;
    }
}

void TEntityClass::AddInstanceAsChildOf(const QString& ClassName, const QString& ParentClassName, const QString& Name,
    const QString&, qint64 ID, TTreeNode* Node)
{
    TNavigationInfo info(SearchDepth + 1);
    FindClassPath(EntityClassName(Node), ClassName, 1, SearchDepth, &info);
    TTreeNode* parent = FindParentNode(Node, 1, ParentClassName, info);
    if (parent && !Registry()->FindObjectReference(ClassName, ID, nullptr))
        AddInstance(ClassName, Name, ID, parent);
}

void TEntityClass::DeleteInstance(const QString& ClassName, qint64 ID)
{
    while (TTreeNode* node = Registry()->FindObjectReference(ClassName, ID, nullptr)) {
        Registry()->ReleaseObjectReference(ClassName, ID, node);
        Env::AddLogRecord(QStringLiteral("EClasses.TEntityClass:Удален объект ") + ClassName + QLatin1Char('(') +
                          IDText(ID) + QStringLiteral(") ") + node->Text());
        DeleteObjectNode(node);
    }
}

qint64 TEntityClass::GetNewPrimaryKey()
{
    return 0;
}

// --- TEntityInstance ------------------------------------------------------------------------

TEntityInstance::TEntityInstance(qint64 ID, const QString& Name)
    : TEntity(QString(), nullptr), ID(ID), Name(Name)
{
}

TEntityInstance::TEntityInstance(const QString& Condition, TDataSet* DataSet)
    : TEntity(Condition, DataSet)
{
}

void TEntityInstance::Load()
{
    if (!DataSet)
        return;
    if (!DataSet->Active())
        DataSet->Open();
    Found = DataSet->Locate(QStringLiteral("ID"), IDText(ID), loCaseInsensitive);
}

void TEntityInstance::Save()
{
    TTreeNode* node = Objects ? Objects->FindObjectReference(ClassName(), ID, nullptr) : nullptr;
    if (node && CurrentNavigator)
        CurrentNavigator->ChangeNode(node, Name);
    Modified = false;
}

// --- TEntityContainer -----------------------------------------------------------------------

TEntityContainer::TEntityContainer(qint64 ID, const QString&, const QString& Params)
    : TEntity(QString(), nullptr), ID(ID)
{
    if (Params.isEmpty())
        RaiseRangeError();
    switch (Params.at(0).unicode()) {
    case '!':
        ReadKeyValueParams(Params.mid(1));
        break;
    case '#':
        Condition = Params.mid(1) + QLatin1Char('=') + IDText(ID);
        break;
    case '$':
        Condition = Params.mid(1);
        break;
    default:
        Condition = LiteralCondition(Params);
    }
}

TEntityContainer::TEntityContainer(const QString& Condition, TDataSet* DataSet)
    : TEntity(Condition, DataSet)
{
}

void TEntityContainer::ReadKeyValueParams(const QString& Pairs)
{
    TStringList pairs;
    SplitPairs(Pairs, pairs);
    CT = pairs.Values(QStringLiteral("CT"));
    FK = pairs.Values(QStringLiteral("FK"));
    CK = pairs.Values(QStringLiteral("CK"));
    DT = pairs.Values(QStringLiteral("DT"));
    Condition = CK + QLatin1Char('=') + IDText(ID);
}

void TEntityContainer::GetChildList(TEntityChildList* List)
{
    ReadChildList(CT, Condition, DataSet, List);
}

// --- TNavigationInfo and class paths --------------------------------------------------------

TNavigationInfo::TNavigationInfo(qint32 LevelCount)
    : Levels(new TStringList), LevelCount(LevelCount)
{
    for (qint32 level = 0; level < LevelCount; ++level)
        Levels->AddObject(QString(), new TStringList);
}

TNavigationInfo::~TNavigationInfo()
{
    FreeAttachedObjects(Levels);
    delete Levels;
}

TStringList* TNavigationInfo::LevelList(qint32 Level) const
{
    return Levels->ObjectAs<TStringList>(Level);
}

void TNavigationInfo::AddClassInfo(qint32 Level, const QString& ClassName)
{
    if (!InRange(Level)) {
        ShowMessage(QStringLiteral("Ошибка добавления в дерево поиска"));
        return;
    }
    TStringList* classes = LevelList(Level);
    if (classes->IndexOf(ClassName) < 0)
        classes->Add(ClassName);
}

bool TNavigationInfo::CheckClassInfo(qint32 Level, const QString& ClassName) const
{
    if (!InRange(Level)) {
        // "доcтупа" is written with a Latin "c": the message is shown exactly so.
        ShowMessage(QStringLiteral("Ошибка доcтупа к уровню ") + QString::number(Level));
        return false;
    }
    return LevelList(Level)->IndexOf(ClassName) >= 0;
}

QString TNavigationInfo::GetLevelList(qint32 Level) const
{
    QString text;
    if (!InRange(Level))
        return text;
    const TStringList* classes = LevelList(Level);
    for (int i = 0; i < classes->Count(); ++i)
        text += QLatin1Char('_') + classes->Strings(i);
    return text;
}

bool FindClassPath(const QString& FromClass, const QString& ToClass, qint32 Level, qint32 MaxLevel,
    TNavigationInfo* Info)
{
    if (FromClass == ToClass) {
        Info->AddClassInfo(Level, FromClass);
        return true;
    }
    if (Level >= MaxLevel)
        return false;
    TStringList* links = SchemaLinksOf(FromClass);
    if (!links)
        return false;
    bool found = false;
    for (int i = 0; i < links->Count(); ++i)
        found = FindClassPath(links->Strings(i), ToClass, Level + 1, MaxLevel, Info) || found;
    if (found)
        Info->AddClassInfo(Level, FromClass);
    return found;
}

TEntityLink::TEntityLink(const QString& LinkClassName, TClass EntityClass, qint32 NavType, const QString& Parameter)
    : LinkClassName(LinkClassName), EntityClass(EntityClass), NavType(NavType), Parameter(Parameter)
{
}

// --- plug-in base classes -------------------------------------------------------------------

TCopyService::TCopyService()
    : Cartridges(new TStringList)
{
}

TCopyService::~TCopyService()
{
    delete Cartridges;
}

namespace {

// The cartridges a package left in the environment's copy service.
QStringList SweepCartridges(quintptr Package)
{
    TStringList* cartridges = Env::CopyService ? Env::CopyService->Cartridges : nullptr;
    return Env::SweepEntries(cartridges, Package, QStringLiteral("картридж копирования"),
                             [cartridges](int Index) { cartridges->Delete(Index); });
}

} // namespace

bool TCopyService::RegisterCopyCartridge(const QString& Name, TCopyCartridge* Cartridge)
{
    if (Cartridges->IndexOf(Name) >= 0)
        return false;
    Cartridges->AddObject(Name, Cartridge);
    if (this == Env::CopyService)
        Env::TrackPackageRegistration(SweepCartridges);
    return true;
}

bool TCopyService::UnRegisterCopyCartridge(const QString& Name, TCopyCartridge*)
{
    const int index = Cartridges->IndexOfOwn(Name);
    if (index < 0)
        return false;
    Cartridges->Delete(index);
    return true;
}

TCopyCartridge* TCopyService::GetCopyCartridge(const QString& Name) const
{
    const int index = Cartridges->IndexOf(Name);
    return index < 0 ? nullptr : Cartridges->ObjectAs<TCopyCartridge>(index);
}

TServiceInfo::TServiceInfo(const QString& MenuName, TMenuItem* MenuItem)
    : MenuItem(MenuItem), MenuName(MenuName)
{
}

} // namespace EClasses
