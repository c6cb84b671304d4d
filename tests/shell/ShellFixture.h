#pragma once
// What the connect and session tests share: the main window with the dialogs it uses, a
// fresh "Software\Velnor07" with the applications a test describes, scripted answers for
// the chooser, the login dialog and the settings dialog, and the texts the status panel
// showed.

#include "Dialogs.h"
#include "mainform.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace ShellTest {

// The main window, with its session state open to the tests.
class TTestForm1 : public mainform::TForm1 {
public:
    using TForm1::FKeyName;
    using TForm1::FSessionRunning;
    using TForm1::StartSession;
    using TForm1::StopSession;
};

// Registry values of one application key: strings and integers.
using TValues = std::map<QString, QVariant>;

extern const QString ShellKey;

// Replaces "Software\Velnor07" with a key holding one subkey per application, in this order.
void WriteApplications(const std::vector<std::pair<QString, TValues>>& Applications, const TValues& ShellValues = {});
// A value of the shell key (Key empty) or of an application key; invalid when missing.
QVariant RegistryValue(const QString& Key, const QString& Name);

// Takes the registered navigators out of Env::Navigators while it lives, so that a connect
// starts none (or the one a test registers), and puts them back afterwards.
class TNavigatorsSetAside {
public:
    TNavigatorsSetAside();
    ~TNavigatorsSetAside();
    TNavigatorsSetAside(const TNavigatorsSetAside&) = delete;
    TNavigatorsSetAside& operator=(const TNavigatorsSetAside&) = delete;

private:
    std::vector<std::pair<QString, TObject*>> FSaved;
};

// The main window and the shell's dialogs, created and destroyed around each test.
class TShell {
public:
    TShell();
    ~TShell();

    TTestForm1* Form() const { return FForm.get(); }
    // Every text the message panel showed, in order (one entry per change).
    const QStringList& StatusTexts() const { return FStatusTexts; }
    int ClosedCount() const { return FClosed; }

    // Scripted answers, in the order the dialogs come up.
    static void ChooseTitle(const QString& Title);
    static void CancelChooser();
    // The login dialog: records the name it offered and the status text while it was up.
    void AnswerLogin(int Result, const QString& UserName, const QString& Password);
    QString OfferedUserName;
    QString StatusDuringLogin;
    // The settings dialog: selects Alias in "Алиас базы данных" (when not empty) and the
    // directory, then closes with Result.
    static void AnswerSettings(int Result, const QString& Alias = QString(), const QString& Directory = QString());

    // Captions of the modal forms shown so far.
    static QStringList ModalCaptions();

private:
    std::unique_ptr<TTestForm1> FForm;
    QStringList FStatusTexts;
    int FClosed = 0;
};

} // namespace ShellTest
