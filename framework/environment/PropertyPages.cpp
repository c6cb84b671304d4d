#include "PropertyPages.h"

#include "Dialogs.h"
#include "EClasses.h"
#include "UnitLifetime.h"

namespace PropertyPages {

VEL_IMPLEMENT_CLASS(TPageProc)
VEL_IMPLEMENT_CLASS(TEntityTabSheet)

TStringList* Pages = nullptr;
TStringList* PagesProc = nullptr;
EClasses::TOptionForm* PropertyForm = nullptr;

namespace {

void InitializeUnit()
{
    Pages = new TStringList;
    PagesProc = new TStringList;
}

void FinalizeUnit()
{
    // Page procedures still registered are the unit's own records: they go with the list.
    for (int i = 0; i < PagesProc->Count(); ++i)
        delete PagesProc->Objects(i);
    delete PagesProc;
    PagesProc = nullptr;
    delete Pages;
    Pages = nullptr;
}

TUnitLifetime Lifetime(InitializeUnit, FinalizeUnit);

} // namespace

bool ActivatePropertyPage(const QString& PageName)
{
    if (Pages->IndexOf(PageName) < 0)
        return false;
    try {
        if (PropertyForm) {
            PropertyForm->ActivatePage(PageName);
            return true;
        }
    } catch (...) {
    }
    ShowMessage(QStringLiteral("Ошибка вызова закладки свойств"));
    return false;
}

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace PropertyPages
