#pragma once
// The message types the sample application's packages send one another through Env::Post.

#include <QtGlobal>

namespace DemoMessages {

// "Заказ создан": the text is the decimal ID of the new order.
inline constexpr qint32 OrderCreated = 7001;
// "Остатки изменены": the text is the decimal ID of the warehouse whose stock changed.
inline constexpr qint32 StockChanged = 7002;

} // namespace DemoMessages
