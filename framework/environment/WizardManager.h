#pragma once
// Wizards: named services one plug-in package offers the others, called by name. The
// registry exists while at least one loaded package uses this unit, so every session starts
// with it empty. A package need not call Initialize(): its first call of an operation while
// it loads initialises the unit for it, until it unloads. Called outside a package while no
// package uses the unit, the operations raise "Модуль WizardManager не инициализирован".

#include <QString>
#include <QtGlobal>

namespace EClasses {
class TEntityWizard;
} // namespace EClasses

namespace WizardManager {

// Adds the wizard under Name unless the name is taken: the first registration stays.
void RegisterWizard(const QString& Name, EClasses::TEntityWizard* Wizard);
// Removes the entry of Name, if any; the wizard is not freed.
void UnregisterWizard(const QString& Name);
// Runs the wizard registered under Name and returns its result; 0 when there is none or
// when it fails. Reports its steps as debug messages.
qint32 CallWizard(const QString& Name);

void Initialize();
void Finalize();

} // namespace WizardManager
