#include "Object.h"

#include "Exceptions.h"

const TMetaClass* TObject::StaticClass()
{
    static const TMetaClass meta("TObject", nullptr, std::type_identity<TObject>());
    return &meta;
}

const TMetaClass* TObject::ClassType() const
{
    return StaticClass();
}

QString TObject::ClassName() const
{
    return ClassType()->ClassName();
}

bool TObject::InheritsFrom(const TMetaClass* Class) const
{
    return ClassType()->InheritsFrom(Class);
}

TMetaClass::TMetaClass(const char* Name, const TMetaClass* Parent)
    : FName(QString::fromLatin1(Name)), FParent(Parent)
{
}

bool TMetaClass::InheritsFrom(const TMetaClass* Other) const
{
    for (const TMetaClass* meta = this; meta; meta = meta->FParent)
        if (meta == Other)
            return true;
    return false;
}

void TMetaClass::RaiseNotConstructible() const
{
    throw EClassNotConstructible(QStringLiteral("Класс %1 не имеет такого конструктора").arg(FName));
}
