#pragma once
// The test kit of plug-in packages (Velkit07::testkit): runs the real program in-process,
// offscreen, on a scratch database, so that a package's tests check what a person would see.
//
// A TProgramSession provisions a scratch database (a SQLite file, or a schema of its own on the
// PostgreSQL server of TOptions::Postgres) with the program's own tables and the author's SQL
// files, lists the packages for the user DEMO, installs the platform's scripted dialog host,
// starts the program's units and main window and connects through the real connect command
// and session start. The test then drives the navigator by captions, the form on show by
// its controls' names and the main menu by captions, and answers or inspects the dialogs.
// Disconnect runs the real stop sequence and fails when the packages left anything
// registered or any entity alive.
//
// Works with any test framework: every failed step or check raises EFailure (an Exception:
// Message() says what was expected and what was found), and nothing here needs more than Qt
// and the SDK's own headers. Without a QApplication the kit makes one (offscreen unless
// QT_QPA_PLATFORM says otherwise). One session at a time.
//
//   TestKit::TProgramSession session({.Packages = {"library.bpl"}, .SqlFiles = {"library.sql"}});
//   session.Select("Читатели/Смирнов Алексей Петрович");
//   session.Type("NAZVANIE", "Смирнов А. П.");
//   session.Dialogs().QueueMessageAnswer(mrYes);     // "Объект изменен. Сохранить изменения?"
//   session.Select("Читатели");
//   session.Disconnect();

#include "Dialogs.h"
#include "Exceptions.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class QWidget;
class TButton;
class TForm;
class TTreeNode;
namespace EClasses {
class TEntity;
}

namespace TestKit {

// A step of the kit that could not be done, or a check that failed.
class EFailure : public Exception {
public:
    using Exception::Exception;
};

struct TOptions {
    // Package files in load order. A bare file name is looked for in the folders of
    // $VELNOR_PACKAGE_PATH (":"-separated; velnor_add_package_test sets it), then in the
    // package folder of the installation (the sample packages); a name with "/" is a path.
    QStringList Packages;
    // The author's SQL files, run in order after the program's own tables (see velprovision
    // --sql): their tables and rows, CLASS rows (RootClass is row 1) and NAVIGATSIA rows of
    // the user DEMO (POLZOVATEL.ID 1).
    QStringList SqlFiles;
    // A libpq connection string ("host=... port=... dbname=... user=..."): the database goes
    // into a new schema on that server, dropped at the end. Empty: a scratch SQLite file.
    QString Postgres;
    // More than 0: the sample application's tables with that many clients and orders, and
    // its packages listed before Packages (for tests of packages that build on it).
    int SampleRows = 0;
};

// ---- Any form: the form on show, or a modal form in an answer queued with
// Dialogs().QueueModalAnswer. Each raises EFailure naming what the form has instead.

// The form's control of that object name.
QWidget* ControlOf(QWidget* Form, const QString& Name);
// The form's button with that caption.
TButton* ButtonOf(QWidget* Form, const QString& Caption);
// A click as a person makes it (the control takes the focus; a button is pressed).
void ClickInto(QWidget* Control);
// Clicks into the control and types Text key by key: in place of its content, or at its end.
enum class TTyping { Replace, Append };
void TypeInto(QWidget* Control, const QString& Text, TTyping Typing = TTyping::Replace);

class TProgramSession {
public:
    // Provisions, starts and connects. Raises EFailure when the database could not be made
    // (a package file not found, a statement of an SQL file, with its file and line, the
    // server) or the session did not start (with the message boxes shown).
    explicit TProgramSession(const TOptions& Options);
    // Disconnects when still connected (without the checks of Disconnect), ends the program's
    // units, drops the scratch database and puts the environment back.
    ~TProgramSession();
    TProgramSession(const TProgramSession&) = delete;
    TProgramSession& operator=(const TProgramSession&) = delete;

    // ---- The navigator (TestKitTree.cpp). A path is the captions from a root down,
    // separated by "/": "Читатели/Смирнов Алексей Петрович". A caption that is not there
    // raises EFailure naming the captions that are.

    // Expands every node of the path, the last included; returns the last.
    TTreeNode* Expand(const QString& Path);
    // Expands the nodes above the last and selects it through the tree's normal change of
    // selection (the save question of a modified object comes as on a click). Returns the
    // node selected afterwards: another one when the change was refused.
    TTreeNode* Select(const QString& Path);
    // The captions of the nodes below the node of Path (expanded first), or of the roots.
    QStringList Captions(const QString& Path = QString());
    // The selected node (nullptr when none), its path and its entity.
    TTreeNode* Selected() const;
    QString SelectedPath() const;
    EClasses::TEntity* SelectedEntity() const;
    // The texts of the status bar's three panels.
    QStringList StatusPanels() const;

    // ---- The form on show (the selected node's form, Env::CurrentDataForm).
    TForm* Form() const;
    // Its control of that object name (a field is named after its column).
    QWidget* Control(const QString& Name) const;
    template <class T>
    T* ControlAs(const QString& Name) const
    {
        if (auto* control = dynamic_cast<T*>(Control(Name)))
            return control;
        throw EFailure(QStringLiteral("Элемент «%1» формы не того типа").arg(Name));
    }
    // The control's "text" property.
    QString Text(const QString& Name) const;
    // Clicks into the control, selects its content and types Text in its place, key by key.
    void Type(const QString& Name, const QString& Text);
    // Clicks the form's button with that caption.
    void Click(const QString& Caption);

    // ---- The main menu: runs a service or a wizard by its item, "Пример/Поздороваться".
    void RunMenu(const QString& Path);

    // ---- Dialogs: answers queued in advance, every call recorded (Dialogs.h).
    TScriptedDialogHost& Dialogs();

    // ---- The session's database.
    // The first column of the first row (invalid when there is none).
    QVariant QueryValue(const QString& SQL);
    void ExecSQL(const QString& SQL);

    // ---- The end. Runs the stop sequence; raises EFailure listing what the packages left
    // registered (taken back at their unload, or still in the environment's registries) and
    // how many entities are still alive.
    void Disconnect();
    bool Connected() const;

    // What the session started and must end (TestKitPrivate.h).
    struct TState;

private:
    std::unique_ptr<TState> F;
};

} // namespace TestKit
