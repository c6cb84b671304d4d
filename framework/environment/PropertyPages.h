#pragma once
// Property pages: the tab sheets plug-in packages add to the settings dialog, each with a
// procedure that fills it before the dialog shows and one that stores its values on OK,
// and the one main property form that shows them. Registration goes through
// Env::RegisterPropertyPage, Env::UnregiseterPropertyPage, Env::RegisterMainPropertyPage
// and Env::UnRegisterMainPropertyPage.

#include "Controls.h"
#include "StringList.h"

#include <QString>

namespace EClasses {
class TOptionForm;
} // namespace EClasses

namespace PropertyPages {

// The load and save procedures of one page; either may be null.
class TPageProc : public TObject {
    VEL_DECLARE_CLASS(TPageProc, TObject)
public:
    using TProcedure = void (*)();
    TPageProc(TProcedure SaveProc, TProcedure LoadProc) : SaveProc(SaveProc), LoadProc(LoadProc) {}
    TProcedure SaveProc;
    TProcedure LoadProc;
};

// The tab sheet class of plug-in property pages. The framework never calls
// SaveSheetProperties: it is the operation through which a package's pages store their values.
class TEntityTabSheet : public TTabSheet {
    VEL_DECLARE_CLASS(TEntityTabSheet, TTabSheet)
public:
    using TTabSheet::TTabSheet;
    virtual void SaveSheetProperties() = 0;
};

// Entry = (page name, the page's TTabSheet); the sheets are not owned.
extern TStringList* Pages;
// Entry = (page name, its TPageProc, owned by the entry); entry i belongs to entry i of Pages.
extern TStringList* PagesProc;
// The registered main property form, or null.
extern EClasses::TOptionForm* PropertyForm;

// Opens the main property form on a registered page; an unknown name does nothing. A failure,
// or no registered form, is reported. True when the form was asked to show the page.
bool ActivatePropertyPage(const QString& PageName);

void Initialize();
void Finalize();

} // namespace PropertyPages
