#include "ContextManager.h"

#include "Dialogs.h"
#include "Env.h"
#include "UnitLifetime.h"

#include <algorithm>
#include <vector>

namespace ContextManager {

VEL_IMPLEMENT_CLASS(TContext)

namespace {

// Keeps every context constructed in the process and frees the ones left at exit. The
// framework itself never destroys a context; this owner only ends their life with the
// process, so that nothing is reported as leaked.
class TContextOwner {
public:
    ~TContextOwner()
    {
        while (!FContexts.empty())
            delete FContexts.back();
    }
    void Adopt(TContext* Context) { FContexts.push_back(Context); }
    void Release(TContext* Context) { std::erase(FContexts, Context); }

private:
    std::vector<TContext*> FContexts;
};

TContextOwner& Owner()
{
    static TContextOwner owner;
    return owner;
}

void InitializeUnit()
{
    Env::ContextsNames = new TStringList;
    Env::ContextsIDs = new TStringList;
    RegisterContext(0, QStringLiteral("_default"));
}

void FinalizeUnit()
{
    UnregisterContext(0, QStringLiteral("_default"));
    delete Env::ContextsNames;
    Env::ContextsNames = nullptr;
    delete Env::ContextsIDs;
    Env::ContextsIDs = nullptr;
}

TUnitLifetime Lifetime(InitializeUnit, FinalizeUnit);

} // namespace

TContext::TContext()
    : ChildContexts(new TStringList)
{
    Register();
}

// Contexts outlive the packages that register them: the name is copied into text of the
// context's own, never kept as a reference to a package's literal.
TContext::TContext(qint64 ID, const QString& Name)
    : ID(ID), Name(Name.constData(), Name.size()), ChildContexts(new TStringList)
{
    Register();
}

TContext::TContext(qint64 ID, const QString& Name, TContext* Parent)
    : ID(ID), Name(Name.constData(), Name.size()), ChildContexts(new TStringList)
{
    SetParentContext(Parent);
    Register();
}

TContext::~TContext()
{
    Owner().Release(this);
    delete ChildContexts;
}

void TContext::Register()
{
    Owner().Adopt(this);
    Env::ContextsNames->AddObject(Name, this);
    Env::ContextsIDs->AddObject(QString::number(ID), this);
}

void TContext::SetParentContext(TContext* Parent)
{
    if (!Parent)
        return;
    ParentContext = Parent;
    try {
        Parent->AddChildContext(this);
    } catch (...) {
        ShowMessage(QStringLiteral("Указанный родительский контекст для ") + Name + QStringLiteral(" не существует"));
        ParentContext = nullptr;
    }
}

qint32 TContext::AddChildContext(TContext* Child)
{
    return ChildContexts->AddObject(Child->Name, Child);
}

void TContext::DeleteChildContext(TContext* Child)
{
    const int index = ChildContexts->IndexOfObject(Child);
    if (index >= 0)
        ChildContexts->Delete(index);
}

void RegisterContext(qint64 ID, const QString& Name)
{
    new TContext(ID, Name);
}

void RegisterContextWithParent(qint64 ID, const QString& Name, qint64 ParentID, const QString& ParentName)
{
    const int index = Env::ContextsNames->IndexOf(ParentName);
    if (index < 0) {
        ShowMessage(QStringLiteral("Нет контекста с именем ") + ParentName);
        return;
    }
    if (Env::ContextsIDs->Strings(index) != QString::number(ParentID)) {
        ShowMessage(QStringLiteral("У контекста другой идентификатор"));
        return;
    }
    new TContext(ID, Name, Env::ContextsIDs->ObjectAs<TContext>(index));
}

void UnregisterContext(qint64 ID, const QString& Name)
{
    const QString id = QString::number(ID);
    for (int i = 0; i < Env::ContextsNames->Count(); ++i) {
        if (Env::ContextsIDs->Strings(i) != id || !TStringList::SameText(Env::ContextsNames->Strings(i), Name))
            continue;
        auto* context = Env::ContextsNames->ObjectAs<TContext>(i);
        Env::ContextsNames->Delete(i);
        Env::ContextsIDs->Delete(i);
        if (context->ParentContext)
            context->ParentContext->DeleteChildContext(context);
        return;
    }
}

TContext* GetContextByName(const QString& Name)
{
    const int index = Env::ContextsNames->IndexOf(Name);
    return index < 0 ? nullptr : Env::ContextsNames->ObjectAs<TContext>(index);
}

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace ContextManager
