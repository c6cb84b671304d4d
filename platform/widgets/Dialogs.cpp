#include "Dialogs.h"

#include <QInputDialog>
#include <QMessageBox>

namespace {

TQtDialogHost& QtHost()
{
    static TQtDialogHost host;
    return host;
}

TDialogHost* InstalledHost = nullptr;
QString TitleOfApplication;

struct TButtonMap {
    TMsgDlgBtn Button;
    QMessageBox::StandardButton Standard;
    TModalResult Result;
};

constexpr TButtonMap ButtonMaps[] = {
    {mbYes, QMessageBox::Yes, mrYes},
    {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},
    {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort},
    {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore},
};

QMessageBox::Icon IconOf(TMsgDlgType Type)
{
    switch (Type) {
    case TMsgDlgType::mtWarning: return QMessageBox::Warning;
    case TMsgDlgType::mtError: return QMessageBox::Critical;
    case TMsgDlgType::mtInformation: return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation: return QMessageBox::Question;
    case TMsgDlgType::mtCustom: break;
    }
    return QMessageBox::NoIcon;
}

// The answer a box gives without a person: its first button.
int FirstButtonResult(TMsgDlgButtons Buttons)
{
    for (const TButtonMap& map : ButtonMaps)
        if (Buttons & map.Button)
            return map.Result;
    return mrOk;
}

} // namespace

TDialogHost& DialogHost()
{
    return InstalledHost ? *InstalledHost : QtHost();
}

void SetDialogHost(TDialogHost* Host)
{
    InstalledHost = Host;
}

QString ApplicationTitle()
{
    return TitleOfApplication;
}

void SetApplicationTitle(const QString& Title)
{
    TitleOfApplication = Title;
}

QString DisplayedText(const QString& Text)
{
    QString shown = Text;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void ShowMessage(const QString& Text)
{
    DialogHost().MessageDlg(ApplicationTitle(), Text, TMsgDlgType::mtCustom, mbOK);
}

int MessageDlg(const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons)
{
    return DialogHost().MessageDlg(ApplicationTitle(), Text, Type, Buttons);
}

int MessageBox(const QString& Caption, const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons)
{
    return DialogHost().MessageDlg(Caption, Text, Type, Buttons);
}

bool InputQuery(const QString& Caption, const QString& Prompt, QString& Value)
{
    return DialogHost().InputQuery(Caption, Prompt, Value);
}

QString InputBox(const QString& Caption, const QString& Prompt, const QString& Default)
{
    QString value = Default;
    return InputQuery(Caption, Prompt, value) ? value : Default;
}

int TQtDialogHost::MessageDlg(const QString& Caption, const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons)
{
    QMessageBox box(IconOf(Type), Caption, DisplayedText(Text));
    for (const TButtonMap& map : ButtonMaps)
        if (Buttons & map.Button)
            box.addButton(map.Standard);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const TButtonMap& map : ButtonMaps)
        if (map.Standard == pressed)
            return map.Result;
    return mrCancel;
}

bool TQtDialogHost::InputQuery(const QString& Caption, const QString& Prompt, QString& Value)
{
    bool confirmed = false;
    const QString answer = QInputDialog::getText(nullptr, Caption, DisplayedText(Prompt), QLineEdit::Normal, Value, &confirmed);
    if (confirmed)
        Value = answer;
    return confirmed;
}

int TScriptedDialogHost::MessageDlg(const QString& Caption, const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons)
{
    FCalls.push_back({TCallKind::Message, Caption, Text, Type, Buttons});
    if (FObserver)
        FObserver(FCalls.back());
    if (FMessageAnswers.empty())
        return FirstButtonResult(Buttons);
    const int answer = FMessageAnswers.front();
    FMessageAnswers.pop_front();
    return answer;
}

bool TScriptedDialogHost::InputQuery(const QString& Caption, const QString& Prompt, QString& Value)
{
    FCalls.push_back({TCallKind::Input, Caption, Prompt, TMsgDlgType::mtCustom, 0});
    if (FInputAnswers.empty())
        return false;
    const TInputAnswer answer = FInputAnswers.front();
    FInputAnswers.pop_front();
    if (answer.Confirmed)
        Value = answer.Value;
    return answer.Confirmed;
}

std::vector<QString> TScriptedDialogHost::Messages() const
{
    std::vector<QString> texts;
    for (const TCall& call : FCalls)
        if (call.Kind == TCallKind::Message)
            texts.push_back(call.Text);
    return texts;
}

void TScriptedDialogHost::Reset()
{
    FCalls.clear();
    FMessageAnswers.clear();
    FInputAnswers.clear();
    FModalAnswers.clear();
    FObserver = nullptr;
}
