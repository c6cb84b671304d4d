// hello.bpl: a minimal plug-in package. It puts the service "Поздороваться" into a top-level
// menu "Пример" of its own; choosing it calls the package's wizard "Приветствие", which
// greets the connected user. Its guests (HelloGuests.h) are listed in the navigator from
// table GOSTI of its schema, hello.sql.

#include "Dialogs.h"
#include "EClasses.h"
#include "Env.h"
#include "HelloGuests.h"
#include "Menus.h"
#include "Packages.h"
#include "WizardManager.h"

namespace {

// Texts handed to the framework are made at run time (QString::fromUtf8), not with
// QStringLiteral, whose data lives in the package and goes when the package is unloaded.
QString Text(const char* Utf8)
{
    return QString::fromUtf8(Utf8);
}

const char* const MenuCaption = "Пример";
// The shell finds the item by its caption again, so the service is named like its item.
const char* const ServiceName = "Поздороваться";
const char* const WizardName = "Приветствие";

class TGreetingWizard : public EClasses::TEntityWizard {
public:
    qint32 Execute() override
    {
        ShowMessage(Text("Здравствуйте, ") + Env::CurrentUser + Text("!"));
        return 1;
    }
};

TGreetingWizard Wizard;
// The menu item belongs to the package: made at load, freed at unload.
TMenuItem* GreetItem = nullptr;

void GreetClick(TObject*)
{
    WizardManager::CallWizard(Text(WizardName));
}

void InitPackage()
{
    WizardManager::RegisterWizard(Text(WizardName), &Wizard);
    GreetItem = new TMenuItem;
    GreetItem->SetCaption(Text(ServiceName));
    GreetItem->OnClick = GreetClick;
    Env::RegisterEntityService(Text(ServiceName), 0, Text(MenuCaption), GreetItem);
    HelloGuests::Register();
}

// Takes back everything InitPackage registered; also runs after an InitPackage that stopped
// half way, so each step copes with what was never registered.
void FiniPackage()
{
    HelloGuests::Unregister();
    if (GreetItem) {
        Env::UnregisterEntityService(Text(ServiceName));
        delete GreetItem;
        GreetItem = nullptr;
    }
    WizardManager::UnregisterWizard(Text(WizardName));
}

} // namespace

VELNOR_PACKAGE(hello, InitPackage, FiniPackage)
