#include "DemoCoreClasses.h"

#include "ContextManager.h"
#include "DemoMessages.h"
#include "Dialogs.h"
#include "Env.h"
#include "MessageManager.h"
#include "NavigatorManager.h"
#include "ObjectManager.h"
#include "TreeView.h"

namespace DemoCoreClasses {

VEL_IMPLEMENT_CLASS(TClientsClass)
VEL_IMPLEMENT_CLASS(TClientInstance)
VEL_IMPLEMENT_CLASS(TGoodsClass)
VEL_IMPLEMENT_CLASS(TGoodsInstance)
VEL_IMPLEMENT_CLASS(TSuppliersClass)
VEL_IMPLEMENT_CLASS(TSupplierInstance)
VEL_IMPLEMENT_CLASS(TSupplierGoodsClass)
VEL_IMPLEMENT_CLASS(TWarehousesClass)
VEL_IMPLEMENT_CLASS(TStockContainer)
VEL_IMPLEMENT_CLASS(TStockInstance)
VEL_IMPLEMENT_CLASS(TStockGoodClass)

using DemoRecords::Col;
using DemoRecords::TColumnKind;
using DemoRecords::FormOf;
using DemoRecords::TListForm;
using DemoRecords::TRecordForm;

namespace {

const qint64 StockContextID = 10;
const qint64 StockGoodContextID = 11;

DemoRecords::TClassRegistrations Registrations;

// The supplier of the good shown in the form, selected below the supplier list: the list is
// expanded down to it when it was never opened.
void ShowSupplierOfGood(TRecordForm* Form)
{
    EClasses::TNavigator* navigator = NavigatorManager::CurrentNavigator;
    const TClass suppliers = DemoRecords::RegisteredClass(QStringLiteral("TSuppliersClass"));
    const TClass supplier = DemoRecords::RegisteredClass(QStringLiteral("TSupplierInstance"));
    if (!navigator || !ObjectManager::Objects || !suppliers || !supplier)
        return;
    TStringList lists;
    ObjectManager::Objects->FindClassObjectReferences(suppliers->ClassName(), &lists);
    const QString code = Form->EditOf(QStringLiteral("POSTAVSHCHIK_ID"))->Text().trimmed();
    bool number = false;
    const qint64 id = code.toLongLong(&number);
    if (number && !lists.IsEmpty())
        navigator->ActivateObjectInstanceWithParentObject(suppliers, 0, supplier, id, lists.ObjectAs<TTreeNode>(0));
    TTreeNode* current = navigator->GetCurrentNode();
    const auto* shown = current ? current->DataAs<EClasses::TEntityInstance>() : nullptr;
    if (!shown || shown->ClassName() != supplier->ClassName() || shown->ID != id)
        ShowMessage(QStringLiteral("Поставщик с кодом %1 не найден в дереве").arg(code));
}

void RegisterStockContexts()
{
    ContextManager::RegisterContextWithParent(StockContextID, StockContextName(), 0, QString::fromLatin1("_default"));
    ContextManager::RegisterContextWithParent(StockGoodContextID, StockGoodContextName(), StockContextID, StockContextName());
}

// Switches the stock row shown in the form between "Склад" and "Склад: товар": the navigator
// then rebuilds the row's node, which shows the row's good in the second context only.
void ToggleGoodOfStockRow(TRecordForm* Form)
{
    EClasses::TEntity* row = Form->Entity;
    if (!row)
        return;
    const bool showing = row->GetContext()->Name == StockGoodContextName();
    ContextManager::TContext* next = ContextManager::GetContextByName(showing ? StockContextName() : StockGoodContextName());
    if (!next)
        return;
    row->SetContext(next);
    if (!showing && row->Node)
        row->Node->Expand(false);
}

} // namespace

// The context outlives the package: its name must not point into the package's constant data,
// as a string literal would.
QString StockContextName()
{
    return QString::fromUtf8("Склад");
}

QString StockGoodContextName()
{
    return QString::fromUtf8("Склад: товар");
}

TClientsClass::TClientsClass(const QString& Condition, TDataSet* DataSet)
    : TRecordClass(Condition, DataSet, QStringLiteral("KLIENTY"), FormOf<TListForm>(StaticClass()))
{
}

TClientInstance::TClientInstance(qint64 ID, const QString& Name)
    : TRecordInstance(ID, Name, QStringLiteral("KLIENTY"), FormOf<TRecordForm>(StaticClass()))
{
}

TGoodsClass::TGoodsClass(const QString& Condition, TDataSet* DataSet)
    : TRecordClass(Condition, DataSet, QStringLiteral("TOVARY"), FormOf<TListForm>(StaticClass()))
{
}

TGoodsInstance::TGoodsInstance(qint64 ID, const QString& Name)
    : TRecordInstance(ID, Name, QStringLiteral("TOVARY"), FormOf<TRecordForm>(StaticClass()))
{
}

TSuppliersClass::TSuppliersClass(const QString& Condition, TDataSet* DataSet)
    : TRecordClass(Condition, DataSet, QStringLiteral("POSTAVSHCHIKI"), FormOf<TListForm>(StaticClass()))
{
}

TSupplierInstance::TSupplierInstance(qint64 ID, const QString& Name)
    : TRecordInstance(ID, Name, QStringLiteral("POSTAVSHCHIKI"), FormOf<TRecordForm>(StaticClass()))
{
}

TSupplierGoodsClass::TSupplierGoodsClass(const QString& Condition, TDataSet* DataSet)
    : TRecordClass(Condition, DataSet, QStringLiteral("TOVARY"), FormOf<TListForm>(StaticClass()))
{
}

TWarehousesClass::TWarehousesClass(const QString& Condition, TDataSet* DataSet)
    : TRecordClass(Condition, DataSet, QStringLiteral("SKLADY"), FormOf<TListForm>(StaticClass()))
{
}

TStockContainer::TStockContainer(qint64 ID, const QString& Name, const QString& Params)
    : TEntityContainer(ID, Name, Params)
{
    TableName = CT;
    Form = FormOf<TListForm>(StaticClass());
    FSubscriptions.Subscribe(DemoMessages::StockChanged);
}

TStockContainer::~TStockContainer()
{
    if (Form && Form->Entity == this)
        Form->Entity = nullptr;
}

void TStockContainer::AfterCreate()
{
    if (ContextManager::TContext* stock = ContextManager::GetContextByName(StockContextName()))
        SetContext(stock);
}

void TStockContainer::Show()
{
    EClasses::TEntityChildList children;
    GetChildList(&children);
    static_cast<TListForm*>(Form)->ShowChildren(&children);
    TEntityContainer::Show();
}

void TStockContainer::OnMessage(EClasses::TMessageInfo* Info)
{
    if (Info->Text == QString::number(ID))
        ++ReceivedMessages;
}

TStockGoodClass::TStockGoodClass(const QString& Condition, TDataSet* DataSet)
    : TRecordClass(Condition, DataSet, QStringLiteral("TOVARY"), FormOf<TListForm>(StaticClass()))
{
}

void TStockGoodClass::AfterCreate()
{
    Condition = QStringLiteral("ID in (select TOVAR_ID from OSTATKI where ") + Condition + QLatin1Char(')');
}

TStockInstance::TStockInstance(qint64 ID, const QString& Name)
    : TRecordInstance(ID, Name, QStringLiteral("OSTATKI"), FormOf<TRecordForm>(StaticClass()))
{
}

void TStockInstance::Saved()
{
    if (Env::Post)
        Env::Post->Send(this, DemoMessages::StockChanged, Values.value(QStringLiteral("SKLAD_ID")));
}

void RegisterClasses()
{
    RegisterStockContexts();
    Registrations.RegisterList(TClientsClass::StaticClass(), "Клиенты");
    Registrations.RegisterRecord(TClientInstance::StaticClass(), "Клиент",
        {Col("NAZVANIE", "Наименование"), Col("GOROD", "Город"), Col("TELEFON", "Телефон"), Col("INN", "ИНН"),
            Col("DATA_REG", "Дата регистрации")},
        true);
    auto* clientForm = FormOf<TRecordForm>(TClientInstance::StaticClass());
    clientForm->AddButton(QStringLiteral("Сохранить"), [clientForm](TObject*) { clientForm->SaveShownRow(); });
    Registrations.RegisterList(TGoodsClass::StaticClass(), "Товары");
    Registrations.RegisterRecord(TGoodsInstance::StaticClass(), "Товар",
        {Col("NAZVANIE", "Наименование"), Col("EDINICA", "Единица"), Col("CENA", "Цена", TColumnKind::Number),
            Col("POSTAVSHCHIK_ID", "Код поставщика", TColumnKind::Integer)},
        false);
    auto* goodsForm = FormOf<TRecordForm>(TGoodsInstance::StaticClass());
    goodsForm->AddButton(QStringLiteral("Поставщик"), [goodsForm](TObject*) { ShowSupplierOfGood(goodsForm); });
    Registrations.RegisterList(TSuppliersClass::StaticClass(), "Поставщики");
    Registrations.RegisterRecord(TSupplierInstance::StaticClass(), "Поставщик",
        {Col("NAZVANIE", "Наименование"), Col("GOROD", "Город"), Col("TELEFON", "Телефон")}, true);
    Registrations.RegisterList(TSupplierGoodsClass::StaticClass(), "Товары поставщика");
    Registrations.RegisterList(TWarehousesClass::StaticClass(), "Склады");
    Registrations.RegisterList(TStockContainer::StaticClass(), "Остатки склада");
    Registrations.RegisterRecord(TStockInstance::StaticClass(), "Остаток",
        {Col("NAZVANIE", "Наименование"), Col("SKLAD_ID", "Код склада", TColumnKind::Integer), Col("TOVAR_ID", "Код товара", TColumnKind::Integer),
            Col("KOLICHESTVO", "Количество", TColumnKind::Integer)},
        false);
    auto* stockForm = FormOf<TRecordForm>(TStockInstance::StaticClass());
    stockForm->AddButton(QStringLiteral("Товар остатка"), [stockForm](TObject*) { ToggleGoodOfStockRow(stockForm); });
    Registrations.RegisterList(TStockGoodClass::StaticClass(), "Товар остатка");
}

void UnregisterClasses()
{
    Registrations.UnregisterAll();
    ContextManager::UnregisterContext(StockGoodContextID, StockGoodContextName());
    ContextManager::UnregisterContext(StockContextID, StockContextName());
}

} // namespace DemoCoreClasses
