#pragma once
// The reference-data services of the sample application: the property page with the status
// of new orders, the classificator of order statuses, the copy cartridge for reference rows
// and the service "Справочники".

#include "EClasses.h"
#include "PropertyPages.h"

#include <QStringList>

namespace DemoSettings {

// The page "Торговый дом": the status a new order gets, kept in the registry.
class TTradeSheet : public PropertyPages::TEntityTabSheet {
    VEL_DECLARE_CLASS(TTradeSheet, PropertyPages::TEntityTabSheet)
public:
    TTradeSheet();
    void LoadSheetProperties();
    void SaveSheetProperties() override;

    TEdit* StatusEdit;
};

// Copies a client, good, supplier or warehouse row under a new key as "Копия " + its name,
// journalled as new; the copy is a new instance of the source's class, owned by the caller.
class TReferenceCopyCartridge : public EClasses::TCopyCartridge {
    VEL_DECLARE_CLASS(TReferenceCopyCartridge, EClasses::TCopyCartridge)
public:
    TReferenceCopyCartridge() = default;
    bool CanCopy(TObject* Source) override;
    TObject* Copy(TObject* Source) override;
    QString Description() override;
};

// The registry key of the package's settings, below Env::RegistryKeyRoot.
QString SettingsKey();
// The status a new order gets ("Новый" unless set on the property page).
QString NewOrderStatus();

// The order statuses in use, as last loaded by the classificator.
QStringList OrderStatuses();
void ReloadOrderStatuses();
void ForgetOrderStatuses();

inline const QString PageName = QStringLiteral("Торговый дом");
inline const QString ClassificatorName = QStringLiteral("Статусы заказов");
inline const QString CartridgeName = QStringLiteral("Справочники");
inline const QString ServiceName = QStringLiteral("Справочники");

void RegisterSettings();
void UnregisterSettings();

} // namespace DemoSettings
