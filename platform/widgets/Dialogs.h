#pragma once
// The dialog host. Every message box, question, input box and modal form of the system
// passes through the one installed host: the default host shows Qt dialogs, the tests
// install a TScriptedDialogHost that records each call and answers from a queue.

#include <QString>

#include <deque>
#include <functional>
#include <vector>

class TForm;

enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
};

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons of a message box, as a set of flags.
enum TMsgDlgBtn : int {
    mbYes = 1 << 0,
    mbNo = 1 << 1,
    mbOK = 1 << 2,
    mbCancel = 1 << 3,
    mbAbort = 1 << 4,
    mbRetry = 1 << 5,
    mbIgnore = 1 << 6,
};
using TMsgDlgButtons = int;

class TDialogHost {
public:
    virtual ~TDialogHost() = default;
    // Shows a message box and returns the modal result of the button pressed.
    virtual int MessageDlg(const QString& Caption, const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons) = 0;
    // Asks for a text; true when the user confirmed, Value then holds the answer.
    virtual bool InputQuery(const QString& Caption, const QString& Prompt, QString& Value) = 0;
    // Shows a form modally and returns its modal result. The two hosts below do it in the
    // form's unit, so that this unit needs nothing of a form.
    virtual int ShowModal(TForm* Form) = 0;
};

// The installed host (the Qt host unless another was installed).
TDialogHost& DialogHost();
// Installs a host (not owned); nullptr restores the Qt host.
void SetDialogHost(TDialogHost* Host);

// The application's title: the caption of plain message boxes.
QString ApplicationTitle();
void SetApplicationTitle(const QString& Title);

// Text as a box shows it: the system's texts break lines with line feed plus carriage
// return (or the reverse); each such pair, and a carriage return alone, is one line break.
QString DisplayedText(const QString& Text);

// A plain message box with an OK button, captioned with the application title.
void ShowMessage(const QString& Text);
int MessageDlg(const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons);
// A message box with its own caption (the system box without an owner window).
int MessageBox(const QString& Caption, const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons);
bool InputQuery(const QString& Caption, const QString& Prompt, QString& Value);
// The answer, or Default when the user cancelled.
QString InputBox(const QString& Caption, const QString& Prompt, const QString& Default);

// The Qt host: real dialogs, and a modal loop for forms that ends when the form sets a
// modal result or is hidden.
class TQtDialogHost : public TDialogHost {
public:
    int MessageDlg(const QString& Caption, const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons) override;
    bool InputQuery(const QString& Caption, const QString& Prompt, QString& Value) override;
    int ShowModal(TForm* Form) override;
};

// The host the tests install. It records every call and answers from queues; with an
// empty queue a message box answers with its first button (OK, Yes), an input box is
// cancelled and a modal form returns mrCancel.
class TScriptedDialogHost : public TDialogHost {
public:
    enum class TCallKind { Message, Input, Modal };
    struct TCall {
        TCallKind Kind;
        QString Caption;
        QString Text;        // message text, input prompt, or the form's class name
        TMsgDlgType Type = TMsgDlgType::mtCustom;
        TMsgDlgButtons Buttons = 0;
    };
    // A scripted answer to a modal form: may change the form, returns the modal result.
    using TModalAnswer = std::function<int(TForm*)>;

    int MessageDlg(const QString& Caption, const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons) override;
    bool InputQuery(const QString& Caption, const QString& Prompt, QString& Value) override;
    int ShowModal(TForm* Form) override;

    void QueueMessageAnswer(int Result) { FMessageAnswers.push_back(Result); }
    void QueueInputAnswer(bool Confirmed, const QString& Value) { FInputAnswers.push_back({Confirmed, Value}); }
    void QueueModalAnswer(TModalAnswer Answer) { FModalAnswers.push_back(std::move(Answer)); }
    // Runs for every message box after it is recorded (for instance to check state).
    void SetMessageObserver(std::function<void(const TCall&)> Observer) { FObserver = std::move(Observer); }

    const std::vector<TCall>& Calls() const { return FCalls; }
    // The texts of the message boxes shown so far, in order.
    std::vector<QString> Messages() const;
    void Reset();

private:
    struct TInputAnswer {
        bool Confirmed;
        QString Value;
    };
    std::vector<TCall> FCalls;
    std::deque<int> FMessageAnswers;
    std::deque<TInputAnswer> FInputAnswers;
    std::deque<TModalAnswer> FModalAnswers;
    std::function<void(const TCall&)> FObserver;
};
