#pragma once
// The root object and class references.
//
// Every class of the system derives from TObject and names itself with one declaration
// macro in its body (VEL_DECLARE_CLASS) and one definition macro in its .cpp
// (VEL_IMPLEMENT_CLASS). That gives it a class reference (TMetaClass): the exact declared
// name, the parent's reference, and "virtual constructors": for each constructor family a
// base class introduces, a factory that builds an object of the most derived class. Code
// holding only a class reference (for instance one registered by name) creates objects
// with TMetaClass::Create<Base>(args...).
//
// A base class introduces a constructor family by giving itself a static member template
// DeclareConstructors<Self>(TMetaClass&) that adds the factories it knows and then calls
// its parent's. A class that does not declare one inherits its parent's.

#include <QString>

#include <any>
#include <functional>
#include <map>
#include <type_traits>
#include <typeindex>

class TMetaClass;

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    static const TMetaClass* StaticClass();
    virtual const TMetaClass* ClassType() const;
    QString ClassName() const;
    bool InheritsFrom(const TMetaClass* Class) const;

    template <class Self>
    static void DeclareConstructors(TMetaClass& Meta);
};

// A class reference is itself an object, so registries can attach it to their entries.
class TMetaClass : public TObject {
public:
    TMetaClass(const char* Name, const TMetaClass* Parent);
    TMetaClass(const TMetaClass&) = delete;
    TMetaClass& operator=(const TMetaClass&) = delete;

    // The class reference of Cls, with the constructors its family declares.
    template <class Cls>
    TMetaClass(const char* Name, const TMetaClass* Parent, std::type_identity<Cls>)
        : TMetaClass(Name, Parent)
    {
        Cls::template DeclareConstructors<Cls>(*this);
    }

    QString ClassName() const { return FName; }
    const TMetaClass* ClassParent() const { return FParent; }
    bool InheritsFrom(const TMetaClass* Other) const;

    // Adds the factory of the constructor family Base(Args...). Called from DeclareConstructors.
    template <class Base, class... Args>
    void AddConstructor(std::function<Base*(Args...)> Factory)
    {
        FFactories[std::type_index(typeid(std::function<Base*(Args...)>))] = std::move(Factory);
    }

    // Whether the class answers the constructor family Base(Args...).
    template <class Base, class... Args>
    bool HasConstructor() const
    {
        return FFactories.count(std::type_index(typeid(std::function<Base*(Args...)>))) != 0;
    }

    // The factory of the constructor family Base(Args...), to make many objects with one
    // look-up. Raises EClassNotConstructible when the class has no such constructor.
    template <class Base, class... Args>
    const std::function<Base*(Args...)>& Constructor() const
    {
        auto found = FFactories.find(std::type_index(typeid(std::function<Base*(Args...)>)));
        if (found == FFactories.end())
            RaiseNotConstructible();
        return std::any_cast<const std::function<Base*(Args...)>&>(found->second);
    }

    // Creates an object of this class through the constructor family Base(Args...).
    // Raises EClassNotConstructible when the class has no such constructor.
    template <class Base, class... Args>
    Base* Create(Args... Arguments) const
    {
        return Constructor<Base, Args...>()(std::move(Arguments)...);
    }

private:
    [[noreturn]] void RaiseNotConstructible() const;

    QString FName;
    const TMetaClass* FParent;
    std::map<std::type_index, std::any> FFactories;
};

template <class Self>
void TObject::DeclareConstructors(TMetaClass& Meta)
{
    if constexpr (std::is_constructible_v<Self>)
        Meta.AddConstructor<TObject>(std::function<TObject*()>([] { return new Self(); }));
}

// In the class body: names the class and its parent.
#define VEL_DECLARE_CLASS(Cls, Parent)                   \
public:                                                  \
    using inherited = Parent;                            \
    static const TMetaClass* StaticClass();              \
    const TMetaClass* ClassType() const override;        \
                                                         \
private:

// In the .cpp of the class: defines its class reference. The reference lives in the
// library that defines the class, so unloading a package takes its classes with it.
#define VEL_IMPLEMENT_CLASS(Cls)                                                          \
    const TMetaClass* Cls::StaticClass()                                                  \
    {                                                                                     \
        static const TMetaClass meta(#Cls, inherited::StaticClass(), std::type_identity<Cls>()); \
        return &meta;                                                                     \
    }                                                                                     \
    const TMetaClass* Cls::ClassType() const { return StaticClass(); }

using TClass = const TMetaClass*;
