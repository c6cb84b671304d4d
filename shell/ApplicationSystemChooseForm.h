#pragma once
// The application chooser: at every connect the user picks one of the configured
// applications by its title.

#include "Controls.h"
#include "Forms.h"

#include <QStringList>

namespace ApplicationSystemChooseForm {

class TApplicationSystemChooseFrm : public TForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TApplicationSystemChooseFrm, TForm)
public:
    explicit TApplicationSystemChooseFrm(TComponent* AOwner = nullptr);

    // Shows Titles with Preselected (compared without regard to letter case) selected, or none
    // when it is not among them. Returns the chosen title, or empty when the user cancelled.
    QString ChooseApplication(const QStringList& Titles, const QString& Preselected);

    // "Ок": closes the dialog with OK only when an entry is selected.
    void Button1Click(TObject* Sender);

    TLabel* Label1;
    TComboBox* ComboBox1;
    TButton* Button1;
    TButton* Button2;
};

// The chooser, created at program start.
extern TApplicationSystemChooseFrm* ApplicationSystemChooseFrm;

} // namespace ApplicationSystemChooseForm
