#pragma once
// The directory chooser: a dialog with the directory tree and OK / Cancel. The caller shows
// it modally and, on OK, takes the chosen directory.

#include "Controls.h"
#include "Forms.h"

namespace DirectoryForm {

class TDirectoryFrm : public TForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TDirectoryFrm, TForm)
public:
    explicit TDirectoryFrm(TComponent* AOwner = nullptr);

    // The directory open in the list.
    QString Directory() const { return DirectoryListBox1->Directory(); }

    TDirectoryListBox* DirectoryListBox1;
    TButton* Button1;
    TButton* Button2;
};

// The shared directory chooser, alive while the unit is initialised.
extern TDirectoryFrm* DirectoryFrm;

void Initialize();
void Finalize();

} // namespace DirectoryForm
