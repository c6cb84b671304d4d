#include "WizardManager.h"

#include "EClasses.h"
#include "Env.h"
#include "Exceptions.h"
#include "NUtilities.h"
#include "StringList.h"
#include "UnitLifetime.h"

namespace WizardManager {

namespace {

// Entry = (wizard name, its TEntityWizard); the wizards are not owned.
TStringList* Wizards = nullptr;

void Debug(const QString& Message)
{
    NUtilities::ShowDebugMessage(Message, 0, 0, 0);
}

void InitializeUnit()
{
    Wizards = new TStringList;
}

void FinalizeUnit()
{
    delete Wizards;
    Wizards = nullptr;
}

TUnitLifetime Lifetime(InitializeUnit, FinalizeUnit, "WizardManager");

// The wizards a package left registered (none when it ended the unit with its last use).
QStringList SweepWizards(quintptr Package)
{
    return Env::SweepEntries(Wizards, Package, QStringLiteral("мастер"), [](int Index) { Wizards->Delete(Index); });
}

} // namespace

void RegisterWizard(const QString& Name, EClasses::TEntityWizard* Wizard)
{
    Lifetime.Use();
    if (Wizards->IndexOf(Name) >= 0)
        return;
    Wizards->AddObject(Name, Wizard);
    Env::TrackPackageRegistration(SweepWizards);
}

void UnregisterWizard(const QString& Name)
{
    Lifetime.Use();
    const int index = Wizards->IndexOfOwn(Name);
    if (index >= 0)
        Wizards->Delete(index);
}

qint32 CallWizard(const QString& Name)
{
    Lifetime.Use();
    Debug(QStringLiteral("Попытка вызова мастера ") + Name);
    const int index = Wizards->IndexOf(Name);
    if (index < 0) {
        Debug(QStringLiteral("Мастер ") + Name + QStringLiteral(" не найден"));
        return 0;
    }
    try {
        Debug(QStringLiteral("Мастер найден и будет запущен"));
        // A wizard registered as null fails like one that throws, instead of crashing.
        EClasses::TEntityWizard* wizard = Wizards->ObjectAs<EClasses::TEntityWizard>(index);
        if (!wizard)
            throw Exception(QStringLiteral("Мастер ") + Name + QStringLiteral(" не задан"));
        return wizard->Execute();
    } catch (...) {
        Debug(QStringLiteral("Ошибка запуска мастера ") + Name);
        return 0;
    }
}

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace WizardManager
