#pragma once
// The settings dialog: the per-application registry values (the database alias, four
// aliases for data exchange, the package directory) on its first page, and the property
// pages plug-in packages register, docked as further pages while it is shown. It is the
// main property form through which plug-ins open one of their pages.

#include "Controls.h"
#include "EClasses.h"

#include <QPointer>

#include <vector>

namespace OptionsForm {

class TOptionFrm : public EClasses::TOptionForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TOptionFrm, EClasses::TOptionForm)
public:
    explicit TOptionFrm(TComponent* AOwner = nullptr);

    // The settings command: fills the dialog from the key Env::RegistryKeyRoot, shows it on
    // its first page and, when confirmed, writes the six values back.
    void EditSettings();
    // The main show: every registered page docked, "Основные" active. Returns true.
    bool ShowMainPage();
    // The main show with the named page active; an unknown name shows "Основные" alone.
    bool ActivatePage(const QString& PageName) override;
    // Puts the directory chosen in the directory chooser into Edit1.
    void SpeedButton1Click(TObject* Sender);

    TPageControl* PageControl1;
    TTabSheet* TabSheet1;
    TLabel* Label1;
    TComboBox* ComboBox1;
    TLabel* Label2;
    TComboBox* ComboBox2;
    TLabel* Label3;
    TComboBox* ComboBox3;
    TLabel* Label4;
    TComboBox* ComboBox4;
    TLabel* Label5;
    TComboBox* ComboBox5;
    TLabel* Label6;
    TEdit* Edit1;
    TButton* SpeedButton1;
    TButton* Button1;
    TButton* Button2;

private:
    // A docked property page and its index among the registered pages.
    struct TDockedPage {
        int Index;
        TTabSheet* Sheet;
    };

    TComboBox* AddAliasBox(TLabel*& Label, const QString& Caption, int Top);
    void LoadSettings();
    void SaveSettings();
    // Shows the dialog modally on the page at ActiveIndex, with the registered pages docked
    // when DockPages; returns whether it was confirmed.
    bool ShowWithPages(bool DockPages, const QString& ActivePageName);
    std::vector<TDockedPage> DockRegisteredPages();
    void UndockPages(const std::vector<TDockedPage>& Docked, bool Confirmed);
    int ActiveIndexOf(const std::vector<TDockedPage>& Docked, const QString& PageName) const;
    std::vector<TComboBox*> AliasBoxes() const;
};

// The registry values of the alias boxes, in the order they are written.
extern const QStringList AliasValueNames;

// The dialog, from the unit's initialisation to its finalisation.
extern TOptionFrm* OptionFrm;

void Initialize();
void Finalize();

} // namespace OptionsForm
