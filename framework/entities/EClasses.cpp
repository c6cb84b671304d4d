#include "EClasses.h"

namespace EClasses {

VEL_IMPLEMENT_CLASS(TEntityApplication)
VEL_IMPLEMENT_CLASS(TEntityWizard)
VEL_IMPLEMENT_CLASS(THelper)
VEL_IMPLEMENT_CLASS(TSequencer)
VEL_IMPLEMENT_CLASS(TCopyCartridge)
VEL_IMPLEMENT_CLASS(TCopyService)
VEL_IMPLEMENT_CLASS(TServiceInfo)
VEL_IMPLEMENT_CLASS(TRefreshProcedure)
VEL_IMPLEMENT_CLASS(TSubsribtionInfo)
VEL_IMPLEMENT_CLASS(TOptionForm)
VEL_IMPLEMENT_CLASS(TMainForm)
VEL_IMPLEMENT_CLASS(TSopostavForm)

TCopyService::TCopyService()
    : Cartridges(new TStringList)
{
}

TCopyService::~TCopyService()
{
    delete Cartridges;
}

bool TCopyService::RegisterCopyCartridge(const QString& Name, TCopyCartridge* Cartridge)
{
    if (Cartridges->IndexOf(Name) >= 0)
        return false;
    Cartridges->AddObject(Name, Cartridge);
    return true;
}

bool TCopyService::UnRegisterCopyCartridge(const QString& Name, TCopyCartridge*)
{
    const int index = Cartridges->IndexOf(Name);
    if (index < 0)
        return false;
    Cartridges->Delete(index);
    return true;
}

TCopyCartridge* TCopyService::GetCopyCartridge(const QString& Name) const
{
    const int index = Cartridges->IndexOf(Name);
    return index < 0 ? nullptr : Cartridges->ObjectAs<TCopyCartridge>(index);
}

TServiceInfo::TServiceInfo(const QString& MenuName, TMenuItem* MenuItem)
    : MenuItem(MenuItem), MenuName(MenuName)
{
}

} // namespace EClasses
