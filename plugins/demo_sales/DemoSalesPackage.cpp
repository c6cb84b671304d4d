// The entry points of demo_sales.bpl: the sales of the sample application. It uses the row
// forms, the key sequencer and the settings of demo_core, which must be loaded first.

#include "DemoMessages.h"
#include "DemoOrderWizard.h"
#include "DemoSalesClasses.h"
#include "DemoSequencer.h"
#include "Env.h"
#include "MessageManager.h"
#include "Packages.h"
#include "WizardManager.h"

namespace {

const QStringList SalesTables = {QStringLiteral("ZAKAZY"), QStringLiteral("STROKI_ZAKAZA")};

// Message types live as long as the message manager: a package loaded outside a session has none.
void RegisterMessageTypes()
{
    if (!Env::Post)
        return;
    Env::Post->RegisterMessageType(DemoMessages::OrderCreated);
    Env::Post->RegisterMessageType(DemoMessages::StockChanged);
}

void InitPackage()
{
    Env::Initialize();
    WizardManager::Initialize();
    DemoSalesClasses::RegisterClasses();
    DemoSequencer::RegisterSequences(SalesTables);
    DemoOrderWizard::RegisterWizardAndService();
    RegisterMessageTypes();
}

void FiniPackage()
{
    DemoOrderWizard::UnregisterWizardAndService();
    DemoSequencer::UnregisterSequences(SalesTables);
    DemoSalesClasses::UnregisterClasses();
    WizardManager::Finalize();
    Env::Finalize();
}

} // namespace

VELNOR_PACKAGE(demo_sales, InitPackage, FiniPackage)
