#pragma once
// The reference data of the sample application: clients, goods, suppliers, warehouses and
// their stock, and the context "Склад" the stock runs in.

#include "DemoRecords.h"

namespace DemoCoreClasses {

using DemoRecords::TRecordClass;
using DemoRecords::TRecordInstance;

class TClientsClass : public TRecordClass {
    VEL_DECLARE_CLASS(TClientsClass, TRecordClass)
public:
    TClientsClass(const QString& Condition, TDataSet* DataSet);
};

class TClientInstance : public TRecordInstance {
    VEL_DECLARE_CLASS(TClientInstance, TRecordInstance)
public:
    TClientInstance(qint64 ID, const QString& Name);
};

class TGoodsClass : public TRecordClass {
    VEL_DECLARE_CLASS(TGoodsClass, TRecordClass)
public:
    TGoodsClass(const QString& Condition, TDataSet* DataSet);
};

class TGoodsInstance : public TRecordInstance {
    VEL_DECLARE_CLASS(TGoodsInstance, TRecordInstance)
public:
    TGoodsInstance(qint64 ID, const QString& Name);
};

class TSuppliersClass : public TRecordClass {
    VEL_DECLARE_CLASS(TSuppliersClass, TRecordClass)
public:
    TSuppliersClass(const QString& Condition, TDataSet* DataSet);
};

class TSupplierInstance : public TRecordInstance {
    VEL_DECLARE_CLASS(TSupplierInstance, TRecordInstance)
public:
    TSupplierInstance(qint64 ID, const QString& Name);
};

// The goods of one supplier: the navigator passes the condition POSTAVSHCHIK_ID = its ID.
class TSupplierGoodsClass : public TRecordClass {
    VEL_DECLARE_CLASS(TSupplierGoodsClass, TRecordClass)
public:
    TSupplierGoodsClass(const QString& Condition, TDataSet* DataSet);
};

class TWarehousesClass : public TRecordClass {
    VEL_DECLARE_CLASS(TWarehousesClass, TRecordClass)
public:
    TWarehousesClass(const QString& Condition, TDataSet* DataSet);
};

// The stock rows of one warehouse. Its subtree runs in the context "Склад"; it listens for
// "Остатки изменены".
class TStockContainer : public EClasses::TEntityContainer {
    VEL_DECLARE_CLASS(TStockContainer, EClasses::TEntityContainer)
public:
    TStockContainer(qint64 ID, const QString& Name, const QString& Params);
    ~TStockContainer() override;

    void AfterCreate() override;
    void Show() override;
    void OnMessage(EClasses::TMessageInfo* Info) override;

    qint32 ReceivedMessages = 0;

private:
    DemoRecords::TSubscriptions FSubscriptions{this};
};

// One stock row; saving it tells the others "Остатки изменены".
class TStockInstance : public TRecordInstance {
    VEL_DECLARE_CLASS(TStockInstance, TRecordInstance)
public:
    TStockInstance(qint64 ID, const QString& Name);

protected:
    void Saved() override;
};

// The good of one stock row: the navigator gives it the condition ID = the row's ID.
class TStockGoodClass : public TRecordClass {
    VEL_DECLARE_CLASS(TStockGoodClass, TRecordClass)
public:
    TStockGoodClass(const QString& Condition, TDataSet* DataSet);
    // The good whose stock row meets the condition.
    void AfterCreate() override;
};

// The name of the context of the stock subtree.
QString StockContextName();
// The context in which a stock row shows its good below it.
QString StockGoodContextName();

void RegisterClasses();
void UnregisterClasses();

} // namespace DemoCoreClasses
