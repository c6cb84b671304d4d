#include "LoginForm.h"

#include <QGuiApplication>
#include <QScreen>

namespace LoginForm {

VEL_IMPLEMENT_CLASS(TLoginFrm)

TLoginFrm* LoginFrm = nullptr;

TLoginFrm::TLoginFrm(TComponent* AOwner)
    : TForm(AOwner),
      Label1(new TLabel(this, this)),
      UserNameEdit(new TEdit(this, this)),
      Label2(new TLabel(this, this)),
      PasswordEdit(new TEdit(this, this)),
      OKButton(new TButton(this, this)),
      CancelButton(new TButton(this, this))
{
    SetCaption(QStringLiteral("Вход в систему"));
    setWindowFlags(Qt::Dialog);
    setFixedSize(273, 124);
    move(QGuiApplication::primaryScreen()->availableGeometry().center() - rect().center());

    Label1->SetCaption(QStringLiteral("Имя пользователя"));
    Label1->SetBounds(8, 12, 110, 16);
    UserNameEdit->SetBounds(124, 8, 141, 21);
    Label2->SetCaption(QStringLiteral("Пароль"));
    Label2->SetBounds(8, 44, 110, 16);
    PasswordEdit->SetBounds(124, 40, 141, 21);
    PasswordEdit->SetPasswordChar(QLatin1Char('*'));

    OKButton->SetCaption(QStringLiteral("ОК"));
    OKButton->SetModalResult(mrOk);
    OKButton->SetDefault(true);
    OKButton->SetBounds(108, 88, 75, 25);
    CancelButton->SetCaption(QStringLiteral("Отмена"));
    CancelButton->SetModalResult(mrCancel);
    CancelButton->SetBounds(190, 88, 75, 25);
    SetTabOrder();
}

void TLoginFrm::SetTabOrder()
{
    setTabOrder(PasswordEdit, OKButton);
    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, UserNameEdit);
}

void TLoginFrm::DoShow()
{
    PasswordEdit->setFocus();
}

} // namespace LoginForm
