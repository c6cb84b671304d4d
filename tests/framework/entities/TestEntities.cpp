#include "TestEntities.h"

#include "Env.h"

namespace EntityTests {

VEL_IMPLEMENT_CLASS(TRootClass)
VEL_IMPLEMENT_CLASS(TClientList)
VEL_IMPLEMENT_CLASS(TClient)
VEL_IMPLEMENT_CLASS(TOrderList)
VEL_IMPLEMENT_CLASS(TOrder)
VEL_IMPLEMENT_CLASS(TArchive)
VEL_IMPLEMENT_CLASS(TOrderBox)
VEL_IMPLEMENT_CLASS(TContextWatcher)

namespace {

std::vector<TClass> TestClasses()
{
    return {TRootClass::StaticClass(), TClientList::StaticClass(), TClient::StaticClass(), TOrderList::StaticClass(),
        TOrder::StaticClass(), TArchive::StaticClass(), TOrderBox::StaticClass(), TContextWatcher::StaticClass()};
}

} // namespace

TRegisteredClasses::TRegisteredClasses()
{
    for (TClass entityClass : TestClasses())
        Env::RegisterEntityClass(entityClass, nullptr);
}

TRegisteredClasses::~TRegisteredClasses()
{
    for (TClass entityClass : TestClasses())
        Env::UnregisterEntityClass(entityClass);
}

} // namespace EntityTests
