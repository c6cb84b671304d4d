#pragma once
// The About dialog: the picture of the technology, its version and an OK button.

#include "Controls.h"
#include "Forms.h"

namespace About {

class TAboutBox : public TForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TAboutBox, TForm)
public:
    explicit TAboutBox(TComponent* AOwner = nullptr);

    // Shows the JPEG picture Data; a damaged picture leaves the dialog without one.
    // True when the picture is shown.
    bool ShowPicture(const QByteArray& Data);

    TImage* Image1;
    TLabel* Version;
    TButton* OKButton;
};

// The dialog, created at program start.
extern TAboutBox* AboutBox;

} // namespace About
