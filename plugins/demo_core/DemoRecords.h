#pragma once
// Row forms and row entities shared by the sample application's packages: a form with a
// label and an edit per column of an entity table, a form listing a class node's rows, and
// the instance that loads its row into its form and writes the edited row back.

#include "Controls.h"
#include "EClasses.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <utility>
#include <vector>

class TMenuItem;
class TQuery;

namespace MessageManager {
class TMessageManager;
} // namespace MessageManager

namespace DemoRecords {

// What a column holds: a text, a whole number (a key, a count) or a number (a price).
enum class TColumnKind { Text, Integer, Number };

// One edited column: its name in the table, its caption on the form and what it holds.
struct TColumn {
    QString Name;
    QString Caption;
    TColumnKind Kind = TColumnKind::Text;
};

// A column from its name and its UTF-8 caption.
TColumn Col(const char* Name, const char* Caption, TColumnKind Kind = TColumnKind::Text);

// The entity classes a package registered, each with its form; the package owns the forms.
class TClassRegistrations {
public:
    TClassRegistrations() = default;
    TClassRegistrations(const TClassRegistrations&) = delete;
    TClassRegistrations& operator=(const TClassRegistrations&) = delete;

    void Register(TClass Class, TForm* Form);
    // Registers a class node with a new list form, or an instance with a new row form.
    void RegisterList(TClass Class, const char* Caption);
    void RegisterRecord(TClass Class, const char* Caption, const QList<TColumn>& Columns, bool WithSubForms);
    // Unregisters the classes, the last first, and frees their forms.
    void UnregisterAll();

private:
    std::vector<std::pair<TClass, TForm*>> FEntries;
};

// A bar of buttons along an edge of Parent, and a button at its left after those there.
TPanel* NewButtonBar(TComponent* Owner, QWidget* Parent, TAlign Align);
TButton* AddBarButton(TPanel* Bar, const QString& Caption, TNotifyEvent OnClick);

// The form registered with the class of that name, or null.
TForm* RegisteredForm(const QString& ClassName);
// The entity class registered under that name (Env::ClassNames), or null.
TClass RegisteredClass(const QString& ClassName);

template <class Form>
Form* FormOf(TClass Class)
{
    return static_cast<Form*>(RegisteredForm(Class->ClassName()));
}

// An entity's subscriptions to message types of Env::Post, taken back when it is destroyed.
// Without a message manager nothing is subscribed; one that has been replaced since is left alone.
class TSubscriptions {
public:
    explicit TSubscriptions(EClasses::TEntity* Subscriber) : FSubscriber(Subscriber) {}
    TSubscriptions(const TSubscriptions&) = delete;
    TSubscriptions& operator=(const TSubscriptions&) = delete;
    ~TSubscriptions();

    void Subscribe(qint32 MessageType);

private:
    EClasses::TEntity* FSubscriber;
    MessageManager::TMessageManager* FPost = nullptr;
    std::vector<qint32> FTypes;
};

// The form of one row. Editing a field marks the shown instance as modified. With a sub-form
// site, the forms of the row's class links are docked below the fields.
class TRecordForm : public EClasses::TNavigatorForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TRecordForm, EClasses::TNavigatorForm)
public:
    TRecordForm(const QString& Caption, const QList<TColumn>& Columns, bool WithSubForms);

    QStringList ColumnNames() const { return FEdits.keys(); }
    TEdit* EditOf(const QString& Column) const { return FEdits.value(Column.toUpper()); }
    // Fills the edits without marking anything modified.
    void ShowValues(const QMap<QString, QString>& Values);
    QMap<QString, QString> Values() const;
    // The values as the table takes them: a whole number or a number where the column holds
    // one, NULL for an empty edit. A text that is not such a number raises EConvertError
    // naming the field, so that nothing is written.
    QMap<QString, QVariant> ColumnValues(const QMap<QString, QString>& Values) const;
    // A button in a bar below the fields, the bar made with the first one.
    TButton* AddButton(const QString& Caption, TNotifyEvent OnClick);
    // Saves the instance shown; false when it could not (the message shown, the edits kept).
    bool SaveShownRow();

private:
    void FieldChanged();

    QMap<QString, TEdit*> FEdits;
    QMap<QString, TColumn> FColumns;
    TPanel* FButtonBar = nullptr;
    bool FFilling = false;
};

// The form of a class node: the names of its rows.
class TListForm : public EClasses::TEntityForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TListForm, EClasses::TEntityForm)
public:
    explicit TListForm(const QString& Caption);

    TListBox* List() const { return FList; }
    void ShowChildren(EClasses::TEntityChildList* Children);

private:
    TListBox* FList;
};

// A class node over an entity table whose form lists its rows.
class TRecordClass : public EClasses::TEntityClass {
    VEL_DECLARE_CLASS(TRecordClass, EClasses::TEntityClass)
public:
    TRecordClass(const QString& Condition, TDataSet* DataSet, const QString& Table, TListForm* ListForm);
    ~TRecordClass() override;

    void Show() override;
    // Records the message and refreshes the node.
    void OnMessage(EClasses::TMessageInfo* Info) override;
    // Asks the navigator, if one runs, to list the rows of this node anew. Only this node:
    // every node of the class that is told to refresh does so itself, so refreshing all of
    // them each time would rebuild each one as often as there are nodes.
    void Refresh() override;

    qint32 ReceivedMessages = 0;
    QString LastMessageText;

protected:
    // Whether the node already shows what the message announces, so that it keeps its
    // children (and a selection among them); by default it never does.
    virtual bool AlreadyShows(const EClasses::TMessageInfo*) const { return false; }

    TSubscriptions Subscriptions{this};
};

// One row of an entity table, shown in a TRecordForm.
class TRecordInstance : public EClasses::TEntityInstance {
    VEL_DECLARE_CLASS(TRecordInstance, EClasses::TEntityInstance)
public:
    TRecordInstance(qint64 ID, const QString& Name, const QString& Table, TRecordForm* RecordForm);
    ~TRecordInstance() override;

    // Reads the row through the instance's dataset; Found tells whether it exists.
    void Load() override;
    // Writes the form's changed values to the row, then updates the tree caption. When
    // another user has changed those columns since the row was loaded (or deleted the row),
    // or a field holds no number where its column takes one, nothing is written and the error
    // is raised: the instance stays modified, its form keeping the edits.
    void Save() override;
    void Show() override;

    // The row as last loaded or saved, by column name in capitals.
    QMap<QString, QString> Values;

protected:
    TRecordForm* RecordForm() const;
    // Called after the row was written.
    virtual void Saved() {}

private:
    void WriteRow(const QMap<QString, QString>& Row);
    std::unique_ptr<TQuery> FRowQuery;
};

// A menu service: a new item captioned Name, registered in the top-level menu MenuCaption.
TMenuItem* RegisterMenuService(const QString& Name, const QString& MenuCaption, TNotifyEvent OnClick);
// Unregisters the service and frees its item; nothing when Item is null.
void UnregisterMenuService(const QString& Name, TMenuItem*& Item);

// The session database's name for datasets (empty without a session database).
QString SessionDatabaseName();
// Runs a statement with named parameters on the session database; returns the rows affected.
int ExecSQL(const QString& SQL, const QMap<QString, QVariant>& Params);
// The first column of the first row of a query, or a null value when there is no row.
QVariant QueryValue(const QString& SQL, const QMap<QString, QVariant>& Params);

} // namespace DemoRecords
