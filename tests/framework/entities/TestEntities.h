#pragma once
// Entity classes of a small order-keeping application, for the entity and registry tests,
// and a guard that registers them in Env::ClassNames for the length of a test.

#include "EClasses.h"

#include <QString>

#include <utility>
#include <vector>

namespace EntityTests {

class TRootClass : public EClasses::TEntityClass {
    VEL_DECLARE_CLASS(TRootClass, EClasses::TEntityClass)
public:
    using TEntityClass::TEntityClass;
};

class TClientList : public EClasses::TEntityClass {
    VEL_DECLARE_CLASS(TClientList, EClasses::TEntityClass)
public:
    using TEntityClass::TEntityClass;
};

class TClient : public EClasses::TEntityInstance {
    VEL_DECLARE_CLASS(TClient, EClasses::TEntityInstance)
public:
    using TEntityInstance::TEntityInstance;
};

class TOrderList : public EClasses::TEntityClass {
    VEL_DECLARE_CLASS(TOrderList, EClasses::TEntityClass)
public:
    using TEntityClass::TEntityClass;
};

class TOrder : public EClasses::TEntityInstance {
    VEL_DECLARE_CLASS(TOrder, EClasses::TEntityInstance)
public:
    using TEntityInstance::TEntityInstance;
};

class TArchive : public EClasses::TEntityClass {
    VEL_DECLARE_CLASS(TArchive, EClasses::TEntityClass)
public:
    using TEntityClass::TEntityClass;
};

class TOrderBox : public EClasses::TEntityContainer {
    VEL_DECLARE_CLASS(TOrderBox, EClasses::TEntityContainer)
public:
    using TEntityContainer::TEntityContainer;
};

// Records every change of context it is told about.
class TContextWatcher : public EClasses::TEntityInstance {
    VEL_DECLARE_CLASS(TContextWatcher, EClasses::TEntityInstance)
public:
    using TEntityInstance::TEntityInstance;
    void OnChangeContext(EClasses::TContext* OldContext, EClasses::TContext* NewContext) override
    {
        Changes.emplace_back(OldContext, NewContext);
    }
    std::vector<std::pair<EClasses::TContext*, EClasses::TContext*>> Changes;
};

// Registers the classes above (each with no form) and unregisters them again.
class TRegisteredClasses {
public:
    TRegisteredClasses();
    ~TRegisteredClasses();
    TRegisteredClasses(const TRegisteredClasses&) = delete;
    TRegisteredClasses& operator=(const TRegisteredClasses&) = delete;
};

} // namespace EntityTests
