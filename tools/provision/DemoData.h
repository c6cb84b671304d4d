#pragma once
// The trading firm's data: suppliers, goods, warehouses with their stock, clients, orders
// and order lines, generated deterministically from the lists of DemoNames.

#include <QSqlDatabase>

namespace DemoData {

inline constexpr int SupplierCount = 12;
inline constexpr int MaxLinesPerOrder = 4;

// Fills the (empty) entity tables: Rows clients, Rows orders of random clients with one to
// MaxLinesPerOrder lines each, and the fixed reference data. Raises EDatabaseError.
void Fill(const QSqlDatabase& Connection, int Rows);

} // namespace DemoData
