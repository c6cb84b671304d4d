#pragma once
// Forms: top-level windows or docked panes, shown modeless or modal. A form is a component
// (its owner destroys it) and a QWidget (its visual parent shows it); the two are kept apart.
// Every form has a window handle, never reused, to which window messages can be posted
// (Application::PostMessage), and lays its controls out by their alignment.

#include "Align.h"
#include "Component.h"
#include "Dialogs.h"

#include <QRect>
#include <QWidget>

class TPopupMenu;

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
    // Closes the form: asks CloseQuery, runs DoClose, then hides it. Whatever those throw
    // reaches the caller and the form stays open.
    void Close();

    int ModalResult() const { return FModalResult; }
    // A non-zero result ends the modal loop of a form shown with ShowModal.
    void SetModalResult(int Result);

    // Moves and sizes the form, as far as CanResize allows the new size.
    void SetBounds(int Left, int Top, int Width, int Height);

    TAlign Align() const { return ControlAlign(this); }
    void SetAlign(TAlign Align) { SetControlAlign(this, Align); }
    // Docks the form into Site (a panel, a page control, any widget) and shows it there.
    void ManualDock(QWidget* Site);
    // Undocks the form: no parent, hidden, with the geometry Rect.
    void ManualFloat(const QRect& Rect);
    QWidget* HostDockSite() const;

    // The form's context menu (not owned); null when it has none.
    TPopupMenu* PopupMenu = nullptr;

    // The form's window handle: unique for the life of the process.
    quintptr Handle() const { return FHandle; }
    // The living form with that handle, or nullptr.
    static TForm* FindByHandle(quintptr Handle);
    // Called for every window message posted to the form's handle; true when handled.
    virtual bool WindowMessage(int Message);

signals:
    void ModalResultChanged(int Result);
    // The form was closed (by Close or by its window's close box).
    void Closed();

protected:
    // The form is being shown.
    virtual void DoShow() {}
    // Whether the form may close now.
    virtual bool CloseQuery() { return true; }
    // The form is closing.
    virtual void DoClose() {}
    // Whether the form may take the new size (which it may also adjust).
    virtual bool CanResize(int& NewWidth, int& NewHeight);

    bool event(QEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    bool PerformClose();
    void ClickDefaultButton();

    int FModalResult = mrNone;
    quintptr FHandle;
    bool FClosingByCall = false;
};
