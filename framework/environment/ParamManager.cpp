#include "ParamManager.h"

#include "UnitLifetime.h"

namespace ParamManager {

VEL_IMPLEMENT_CLASS(TParamManager)

TParamManager* ParameterManager = nullptr;

namespace {

void InitializeUnit()
{
    ParameterManager = new TParamManager;
}

void FinalizeUnit()
{
    delete ParameterManager;
    ParameterManager = nullptr;
}

TUnitLifetime Lifetime(InitializeUnit, FinalizeUnit);

} // namespace

TParamManager::TParamManager()
    : FParams(new TStringList)
{
}

TParamManager::~TParamManager()
{
    delete FParams;
}

void TParamManager::SetStringParam(const QString& Name, const QString& Value)
{
    FParams->SetValue(Name.toUpper(), Value);
}

QString TParamManager::GetStringParam(const QString& Name) const
{
    return FParams->Values(Name.toUpper());
}

void TParamManager::SetObjectParam(const QString& Name, TObject* Object)
{
    const QString name = Name.toUpper();
    const int index = FParams->IndexOf(name);
    if (index >= 0)
        FParams->SetObject(index, Object);
    else
        FParams->AddObject(name, Object);
}

TObject* TParamManager::GetObjectParam(const QString& Name) const
{
    const int index = FParams->IndexOf(Name.toUpper());
    return index < 0 ? nullptr : FParams->Objects(index);
}

void TParamManager::GetParameterList(TStringList* List) const
{
    if (!List)
        return;
    try {
        for (int i = 0; i < FParams->Count(); ++i)
            List->AddObject(FParams->Strings(i), FParams->Objects(i));
    } catch (...) {
    }
}

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace ParamManager
