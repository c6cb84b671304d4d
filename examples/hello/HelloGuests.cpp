#include "HelloGuests.h"

#include "Controls.h"
#include "DbTables.h"
#include "EClasses.h"
#include "Env.h"

#include <memory>

namespace HelloGuests {

namespace {

QString Text(const char* Utf8)
{
    return QString::fromUtf8(Utf8);
}

// Every node needs a form: the navigator says "Объект не существует" for one without.
class TGuestsForm : public EClasses::TEntityForm {
public:
    TGuestsForm()
    {
        SetCaption(Text("Гости"));
        auto* hint = new TLabel(this, this);
        hint->SetAlign(alTop);
        hint->SetCaption(Text("Выберите гостя в навигаторе."));
    }
};

TGuestsForm* GuestsForm = nullptr;

// The class node: GetChildList of TEntityClass lists "select ID, NAZVANIE from GOSTI".
class TGuestsClass : public EClasses::TEntityClass {
    VEL_DECLARE_CLASS(TGuestsClass, EClasses::TEntityClass)
public:
    TGuestsClass(const QString& Condition, TDataSet* DataSet) : TEntityClass(Condition, DataSet)
    {
        TableName = Text("GOSTI");
        Form = GuestsForm;
    }
};
VEL_IMPLEMENT_CLASS(TGuestsClass)

// The form of a guest: one field per column, named after it. An edit marks the guest shown
// as modified, so that leaving it asks whether to save.
class TGuestForm : public EClasses::TEntityForm {
public:
    TGuestForm()
    {
        SetCaption(Text("Гость"));
        Name = AddField("NAZVANIE");
        Greeting = AddField("PRIVETSTVIE");
    }

    // Shows a row without marking it modified.
    void ShowRow(const QString& GuestName, const QString& GuestGreeting)
    {
        FFilling = true;
        Name->SetText(GuestName);
        Greeting->SetText(GuestGreeting);
        FFilling = false;
    }

    TEdit* Name;
    TEdit* Greeting;

private:
    TEdit* AddField(const char* Column)
    {
        auto* edit = new TEdit(this, this);
        edit->SetAlign(alTop);
        edit->setObjectName(Text(Column));
        connect(edit, &QLineEdit::textChanged, this, [this] {
            if (auto* guest = dynamic_cast<EClasses::TEntityInstance*>(Entity); guest && !FFilling)
                guest->Modified = true;
        });
        return edit;
    }

    bool FFilling = false;
};

TGuestForm* GuestForm = nullptr;

// A query on the session's database; the platform's query raises EDatabaseError when a
// statement fails, which is what Save needs.
std::unique_ptr<TQuery> GuestQuery(const QString& SQL, qint64 ID)
{
    auto query = std::make_unique<TQuery>();
    query->SetDatabaseName(Env::Database->DatabaseName());
    query->SQL()->Add(SQL);
    query->ParamByName(Text("ID"))->SetAsLargeInt(ID);
    return query;
}

// One guest: shows its row in the form, and writes the form back when saved.
class TGuestInstance : public EClasses::TEntityInstance {
    VEL_DECLARE_CLASS(TGuestInstance, EClasses::TEntityInstance)
public:
    TGuestInstance(qint64 ID, const QString& Name) : TEntityInstance(ID, Name)
    {
        TableName = Text("GOSTI");
        Form = GuestForm;
    }

    void Show() override
    {
        auto query = GuestQuery(Text("select NAZVANIE, PRIVETSTVIE from GOSTI where ID = :ID"), ID);
        query->Open();
        GuestForm->ShowRow(query->FieldByName(Text("NAZVANIE"))->AsString(), query->FieldByName(Text("PRIVETSTVIE"))->AsString());
        Modified = false;
        TEntityInstance::Show();
    }

    // Raises when the row cannot be written: the navigator then keeps the form and its edits.
    void Save() override
    {
        auto query = GuestQuery(Text("update GOSTI set NAZVANIE = :NAME, PRIVETSTVIE = :GREETING where ID = :ID"), ID);
        query->ParamByName(Text("NAME"))->SetAsString(GuestForm->Name->Text());
        query->ParamByName(Text("GREETING"))->SetAsString(GuestForm->Greeting->Text());
        query->ExecSQL();
        Name = GuestForm->Name->Text();
        // Renames the node and clears Modified.
        TEntityInstance::Save();
    }
};
VEL_IMPLEMENT_CLASS(TGuestInstance)

} // namespace

void Register()
{
    GuestsForm = new TGuestsForm;
    GuestForm = new TGuestForm;
    Env::RegisterEntityClass(TGuestsClass::StaticClass(), GuestsForm);
    Env::RegisterEntityClass(TGuestInstance::StaticClass(), GuestForm);
}

void Unregister()
{
    Env::UnregisterEntityClass(TGuestInstance::StaticClass());
    Env::UnregisterEntityClass(TGuestsClass::StaticClass());
    delete GuestForm;
    GuestForm = nullptr;
    delete GuestsForm;
    GuestsForm = nullptr;
}

} // namespace HelloGuests
