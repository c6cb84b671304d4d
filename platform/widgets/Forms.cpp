#include "Forms.h"

#include "Application.h"
#include "Docking.h"
#include "WindowHandles.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>

VEL_IMPLEMENT_CLASS(TForm)

TForm::TForm(TComponent* AOwner)
    : QWidget(nullptr), TComponent(AOwner), FHandle(WindowHandles::Add(this))
{
    new TAlignLayout(this);
}

TForm::~TForm()
{
    WindowHandles::Remove(FHandle);
}

TForm* TForm::FindByHandle(quintptr Handle)
{
    return qobject_cast<TForm*>(WindowHandles::Find(Handle));
}

bool TForm::WindowMessage(int)
{
    return false;
}

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
    if (!PerformClose())
        return;
    FClosingByCall = true;
    close();
    FClosingByCall = false;
}

bool TForm::PerformClose()
{
    if (!CloseQuery())
        return false;
    DoClose();
    return true;
}

void TForm::SetModalResult(int Result)
{
    FModalResult = Result;
    if (Result != mrNone)
        emit ModalResultChanged(Result);
}

void TForm::SetBounds(int Left, int Top, int Width, int Height)
{
    if (CanResize(Width, Height))
        setGeometry(Left, Top, Width, Height);
    else
        move(Left, Top);
}

bool TForm::CanResize(int&, int&)
{
    return true;
}

void TForm::ManualDock(QWidget* Site)
{
    DockControl(this, Site);
}

void TForm::ManualFloat(const QRect& Rect)
{
    FloatControl(this, Rect);
}

QWidget* TForm::HostDockSite() const
{
    return ::HostDockSite(this);
}

bool TForm::event(QEvent* Event)
{
    if (Event->type() == Application::TWindowMessageEvent::EventType()) {
        const int message = static_cast<Application::TWindowMessageEvent*>(Event)->Message();
        Application::Guarded([this, message] { WindowMessage(message); });
        return true;
    }
    return QWidget::event(Event);
}

void TForm::showEvent(QShowEvent* Event)
{
    QWidget::showEvent(Event);
    if (!Event->spontaneous())
        Application::Guarded([this] { DoShow(); });
}

void TForm::closeEvent(QCloseEvent* Event)
{
    // A close through Close() has run its handlers already; the close box runs them here,
    // where nothing they throw may pass into the toolkit.
    bool accepted = FClosingByCall;
    if (!accepted)
        Application::Guarded([this, &accepted] { accepted = PerformClose(); });
    if (!accepted) {
        Event->ignore();
        return;
    }
    if (FModalResult == mrNone)
        emit ModalResultChanged(mrCancel);
    QWidget::closeEvent(Event);
    emit Closed();
}

void TForm::keyPressEvent(QKeyEvent* Event)
{
    if (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter)
        ClickDefaultButton();
    QWidget::keyPressEvent(Event);
}

void TForm::ClickDefaultButton()
{
    for (QPushButton* button : findChildren<QPushButton*>())
        if (button->isDefault() && button->isEnabled() && button->isVisible()) {
            button->click();
            return;
        }
}

// How the dialog hosts show a form modally. They live with the form, so that the dialog unit,
// which the form uses, needs nothing of a form.

int TQtDialogHost::ShowModal(TForm* Form)
{
    QEventLoop loop;
    QPointer<TForm> guard(Form);
    QObject::connect(Form, &TForm::ModalResultChanged, &loop, [&loop](int result) { loop.exit(result); });
    QObject::connect(Form, &QObject::destroyed, &loop, [&loop] { loop.exit(mrCancel); });
    Form->setWindowModality(Qt::ApplicationModal);
    Form->show();
    const int result = loop.exec();
    if (guard) {
        Form->hide();
        Form->setWindowModality(Qt::NonModal);
    }
    return result;
}

int TScriptedDialogHost::ShowModal(TForm* Form)
{
    FCalls.push_back({TCallKind::Modal, Form->Caption(), Form->ClassName(), TMsgDlgType::mtCustom, 0});
    if (FModalAnswers.empty())
        return mrCancel;
    TModalAnswer answer = std::move(FModalAnswers.front());
    FModalAnswers.pop_front();
    return answer(Form);
}
