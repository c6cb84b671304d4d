#pragma once
// Forms: top-level windows or docked panes, shown modeless or modal. A form is a component
// (its owner destroys it) and a QWidget (its visual parent shows it); the two are kept apart.

#include "Component.h"
#include "Dialogs.h"

#include <QWidget>

class TForm : public QWidget, public TComponent {
    Q_OBJECT
    VEL_DECLARE_CLASS(TForm, TComponent)
public:
    explicit TForm(TComponent* AOwner = nullptr);
    ~TForm() override;

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& Caption) { setWindowTitle(Caption); }

    void Show();
    void Hide();
    // Shows the form modally through the dialog host; returns its modal result.
    int ShowModal();
    // Closes the form (a modal form ends its modal loop with mrCancel unless a result is set).
    void Close();

    int ModalResult() const { return FModalResult; }
    // A non-zero result ends the modal loop of a form shown with ShowModal.
    void SetModalResult(int Result);

signals:
    void ModalResultChanged(int Result);

protected:
    void closeEvent(QCloseEvent* Event) override;

private:
    int FModalResult = mrNone;
};
