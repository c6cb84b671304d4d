#pragma once
// The wizard "Новый заказ" with the service "Новый заказ..." that runs it, and the service
// "Пересчитать суммы заказов", which tells every order shown in the navigator that it changed.

#include "EClasses.h"

namespace DemoOrderWizard {

// Asks for the client's code and creates an order of that client with a fresh key, the
// status of new orders and the sum 0; journals it as new and announces "Заказ создан". When a
// navigator runs, the order is added below the order journal's nodes that list their rows
// and selected. Returns the order's ID, or 0 when the user cancelled or the client does not exist.
class TNewOrderWizard : public EClasses::TEntityWizard {
    VEL_DECLARE_CLASS(TNewOrderWizard, EClasses::TEntityWizard)
public:
    TNewOrderWizard() = default;
    qint32 Execute() override;
};

inline const QString WizardName = QStringLiteral("Новый заказ");
// The service in «Сервис» that runs the wizard.
inline const QString NewOrderServiceName = QStringLiteral("Новый заказ...");
inline const QString RecalculateServiceName = QStringLiteral("Пересчитать суммы заказов");

void RegisterWizardAndService();
void UnregisterWizardAndService();

} // namespace DemoOrderWizard
