#include "Forms.h"

#include <QCloseEvent>

VEL_IMPLEMENT_CLASS(TForm)

TForm::TForm(TComponent* AOwner)
    : QWidget(nullptr), TComponent(AOwner)
{
}

TForm::~TForm() = default;

void TForm::Show()
{
    show();
    raise();
}

void TForm::Hide()
{
    hide();
}

int TForm::ShowModal()
{
    FModalResult = mrNone;
    const int result = DialogHost().ShowModal(this);
    FModalResult = result;
    return result;
}

void TForm::Close()
{
    close();
}

void TForm::SetModalResult(int Result)
{
    FModalResult = Result;
    if (Result != mrNone)
        emit ModalResultChanged(Result);
}

void TForm::closeEvent(QCloseEvent* Event)
{
    if (FModalResult == mrNone)
        emit ModalResultChanged(mrCancel);
    QWidget::closeEvent(Event);
}
