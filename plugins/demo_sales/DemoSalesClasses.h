#pragma once
// The sales of the sample application: the order journal, new orders, the orders of a client,
// orders and their lines.

#include "DemoRecords.h"

namespace DemoSalesClasses {

using DemoRecords::TRecordClass;
using DemoRecords::TRecordInstance;

// The orders of one client (the navigator passes KLIENT_ID = its ID); listens for "Заказ создан".
class TClientOrdersClass : public TRecordClass {
    VEL_DECLARE_CLASS(TClientOrdersClass, TRecordClass)
public:
    TClientOrdersClass(const QString& Condition, TDataSet* DataSet);
};

// An order; its form shows its lines too.
class TOrderInstance : public TRecordInstance {
    VEL_DECLARE_CLASS(TOrderInstance, TRecordInstance)
public:
    TOrderInstance(qint64 ID, const QString& Name);
    void Show() override;
};

// The lines of one order (the navigator passes ZAKAZ_ID = its ID); listens for "Остатки изменены".
class TOrderLinesClass : public TRecordClass {
    VEL_DECLARE_CLASS(TOrderLinesClass, TRecordClass)
public:
    TOrderLinesClass(const QString& Condition, TDataSet* DataSet);
};

// One order line; saving it recalculates the sum of its order.
class TOrderLineInstance : public TRecordInstance {
    VEL_DECLARE_CLASS(TOrderLineInstance, TRecordInstance)
public:
    TOrderLineInstance(qint64 ID, const QString& Name);

protected:
    void Saved() override;
};

// The journal of all orders; listens for "Заказ создан".
class TOrdersClass : public TRecordClass {
    VEL_DECLARE_CLASS(TOrdersClass, TRecordClass)
public:
    TOrdersClass(const QString& Condition, TDataSet* DataSet);
};

// The orders with the status of new orders; listens for "Заказ создан".
class TNewOrdersClass : public TRecordClass {
    VEL_DECLARE_CLASS(TNewOrdersClass, TRecordClass)
public:
    TNewOrdersClass(const QString& Condition, TDataSet* DataSet);
};

// Sets SUMMA of the order (of every order when OrderID is 0) to the total of its lines.
void RecalculateOrderSums(qint64 OrderID);

void RegisterClasses();
void UnregisterClasses();

} // namespace DemoSalesClasses
