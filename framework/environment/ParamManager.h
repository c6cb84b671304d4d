#pragma once
// The process-wide named parameters through which the shell hands its settings to plug-in
// packages and plug-ins share values. A string parameter is the entry "NAME=value", an
// object parameter the entry "NAME" with the object attached; names are upper-cased on
// every call, so they ignore letter case, and the two kinds never see each other.

#include "StringList.h"

#include <QString>

namespace ParamManager {

class TParamManager : public TObject {
    VEL_DECLARE_CLASS(TParamManager, TObject)
public:
    TParamManager();
    ~TParamManager() override;

    // An empty value removes the parameter.
    void SetStringParam(const QString& Name, const QString& Value);
    // Empty when there is no such parameter.
    QString GetStringParam(const QString& Name) const;
    // The object is not owned.
    void SetObjectParam(const QString& Name, TObject* Object);
    TObject* GetObjectParam(const QString& Name) const;
    // Appends every entry (text and object) to List; errors are swallowed.
    void GetParameterList(TStringList* List) const;

private:
    TStringList* FParams;
};

// The one instance, from the unit's initialisation to its finalisation.
extern TParamManager* ParameterManager;

void Initialize();
void Finalize();

} // namespace ParamManager
