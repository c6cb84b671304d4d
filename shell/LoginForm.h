#pragma once
// The login dialog of the connect command: the database user name and password.

#include "Controls.h"
#include "Forms.h"

namespace LoginForm {

class TLoginFrm : public TForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TLoginFrm, TForm)
public:
    explicit TLoginFrm(TComponent* AOwner = nullptr);

    TLabel* Label1;
    TEdit* UserNameEdit;
    TLabel* Label2;
    TEdit* PasswordEdit;
    TButton* OKButton;
    TButton* CancelButton;

protected:
    // The dialog opens with the focus in the password edit, the first of its tab order.
    void DoShow() override;

private:
    void SetTabOrder();
};

// The dialog, created at program start.
extern TLoginFrm* LoginFrm;

} // namespace LoginForm
