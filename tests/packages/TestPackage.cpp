// A package for the loader tests. It registers a wizard under its own name and a service
// under the name every test package uses, "Общий сервис", and records what happens to it in
// string parameters of the parameter manager:
//   PACKAGE_LOG     events separated by blanks: "+name" initialised, "-name" finalised,
//                   "~name" its static objects destroyed (the library was unmapped);
//   PACKAGE_STATUS  the status panel's text at each initialisation and finalisation,
//                   separated by "|";
//   PACKAGE_LOADING the file name of the loading package (LoadingPackage()) at each
//                   initialisation and finalisation, separated by blanks.
// VELNOR_TEST_INIT_FAILS: the initialisation throws after registering the wizard.
// VELNOR_TEST_FINI_FAILS_ONCE: the first finalisation throws before doing anything.
// VELNOR_TEST_INIT_CRASHES, VELNOR_TEST_FINI_CRASHES: the initialisation, the finalisation
// dies of SIGSEGV.
// VELNOR_TEST_NO_ENTRY_POINTS: the package declares no entry points.
// VELNOR_TEST_NO_UNIT_INIT: the package never initialises nor finalises the wizard unit.
// VELNOR_TEST_FORGETS: the package also registers a service, a property page, an entity
// class, a copy cartridge and a context of its own, and its finalisation unregisters
// nothing at all.

#include "ContextManager.h"
#include "EClasses.h"
#include "Env.h"
#include "Exceptions.h"
#include "Packages.h"
#include "ParamManager.h"
#include "PropertyPages.h"
#include "StatusBar.h"
#include "WizardManager.h"

#include <QFileInfo>

#include <csignal>

namespace {

#define VELNOR_TEXT(x) #x
#define VELNOR_NAME(x) VELNOR_TEXT(x)

QString PackageName()
{
    return QString::fromLatin1(VELNOR_NAME(VELNOR_TEST_PACKAGE));
}

void Append(const QString& Parameter, const QString& Separator, const QString& Text)
{
    ParamManager::TParamManager* parameters = ParamManager::ParameterManager;
    const QString old = parameters->GetStringParam(Parameter);
    parameters->SetStringParam(Parameter, old.isEmpty() ? Text : old + Separator + Text);
}

void Record(QChar Event)
{
    if (!ParamManager::ParameterManager)
        return;
    Append(QStringLiteral("PACKAGE_LOG"), QStringLiteral(" "), Event + PackageName());
    if (Event == QLatin1Char('~'))
        return;
    Append(QStringLiteral("PACKAGE_STATUS"), QStringLiteral("|"), Env::MessagePanel ? Env::MessagePanel->Text() : QString());
    Append(QStringLiteral("PACKAGE_LOADING"), QStringLiteral(" "), QFileInfo(PackageFileName(LoadingPackage())).fileName());
}

class TPackageWizard : public EClasses::TEntityWizard {
public:
    ~TPackageWizard() override { Record(QLatin1Char('~')); }
    qint32 Execute() override { return PackageName().size(); }
};

TPackageWizard Wizard;

const QString SharedService = QStringLiteral("Общий сервис");

#ifdef VELNOR_TEST_FORGETS
class TForgottenEntity : public TObject {
    VEL_DECLARE_CLASS(TForgottenEntity, TObject)
};
VEL_IMPLEMENT_CLASS(TForgottenEntity)

class TForgottenCartridge : public EClasses::TCopyCartridge {
public:
    bool CanCopy(TObject*) override { return false; }
    TObject* Copy(TObject*) override { return nullptr; }
    QString Description() override { return QString(); }
};
TForgottenCartridge Cartridge;

void RegisterMore()
{
    Env::RegisterEntityService(QStringLiteral("Забытый сервис"), 0, QStringLiteral("Забытое меню"), nullptr);
    Env::RegisterPropertyPage(QStringLiteral("Забытая страница"), nullptr, nullptr, nullptr);
    Env::RegisterEntityClass(TForgottenEntity::StaticClass(), nullptr);
    Env::CopyService->RegisterCopyCartridge(QStringLiteral("Забытый картридж"), &Cartridge);
    // Contexts stay registered after the package: their names must not be its literals.
    ContextManager::RegisterContext(900 + PackageName().size(), QStringLiteral("Забытый контекст"));
}
#endif

[[maybe_unused]] void InitPackage()
{
#ifndef VELNOR_TEST_NO_UNIT_INIT
    WizardManager::Initialize();
#endif
    WizardManager::RegisterWizard(PackageName(), &Wizard);
    Env::RegisterEntityService(SharedService, 0, QStringLiteral("Пакеты"), nullptr);
#ifdef VELNOR_TEST_FORGETS
    RegisterMore();
#endif
    Record(QLatin1Char('+'));
#ifdef VELNOR_TEST_INIT_CRASHES
    raise(SIGSEGV);
#endif
#ifdef VELNOR_TEST_INIT_FAILS
    throw Exception(QStringLiteral("пакет отказался начинать работу"));
#endif
}

[[maybe_unused]] void FiniPackage()
{
#ifdef VELNOR_TEST_FINI_FAILS_ONCE
    static bool refused = false;
    if (!refused) {
        refused = true;
        throw Exception(QStringLiteral("пакет не готов завершиться"));
    }
#endif
    Record(QLatin1Char('-'));
#ifdef VELNOR_TEST_FINI_CRASHES
    raise(SIGSEGV);
#endif
#ifndef VELNOR_TEST_FORGETS
    Env::UnregisterEntityService(SharedService);
    WizardManager::UnregisterWizard(PackageName());
#endif
#ifndef VELNOR_TEST_NO_UNIT_INIT
    WizardManager::Finalize();
#endif
}

} // namespace

#ifndef VELNOR_TEST_NO_ENTRY_POINTS
VELNOR_PACKAGE(VELNOR_TEST_PACKAGE, InitPackage, FiniPackage)
#endif
