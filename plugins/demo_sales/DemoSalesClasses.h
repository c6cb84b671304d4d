#pragma once
// The sales of the sample application: the order journal, new orders, the orders of a client,
// orders and their lines.

#include "DemoRecords.h"

namespace DemoSalesClasses {

using DemoRecords::TRecordClass;
using DemoRecords::TRecordInstance;

// A class node listing orders; listens for "Заказ создан" and lists its rows anew, unless
// the new order already has a node below it (the wizard added it there and may have
// selected it).
class TOrderListClass : public TRecordClass {
    VEL_DECLARE_CLASS(TOrderListClass, TRecordClass)
public:
    TOrderListClass(const QString& Condition, TDataSet* DataSet, DemoRecords::TListForm* ListForm);

protected:
    bool AlreadyShows(const EClasses::TMessageInfo* Info) const override;
};

// The orders of one client (the navigator passes KLIENT_ID = its ID).
class TClientOrdersClass : public TOrderListClass {
    VEL_DECLARE_CLASS(TClientOrdersClass, TOrderListClass)
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

// The journal of all orders.
class TOrdersClass : public TOrderListClass {
    VEL_DECLARE_CLASS(TOrdersClass, TOrderListClass)
public:
    TOrdersClass(const QString& Condition, TDataSet* DataSet);
};

// The orders with the status of new orders.
class TNewOrdersClass : public TOrderListClass {
    VEL_DECLARE_CLASS(TNewOrdersClass, TOrderListClass)
public:
    TNewOrdersClass(const QString& Condition, TDataSet* DataSet);
};

// The client whose code the user typed; 0, after telling the user "Клиент с кодом … не
// найден", when the text is not the code of a client.
qint64 ExistingClient(const QString& Text);

// Sets SUMMA of the order (of every order when OrderID is 0) to the total of its lines.
void RecalculateOrderSums(qint64 OrderID);

void RegisterClasses();
void UnregisterClasses();

} // namespace DemoSalesClasses
