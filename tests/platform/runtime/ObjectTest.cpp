#include "Component.h"
#include "Exceptions.h"
#include "Object.h"

#include <gtest/gtest.h>

namespace {

// A small family: TShape introduces the constructor Create(Size); a derived class without a
// constructor of its own is still built through it as the derived class.
class TShape : public TObject {
    VEL_DECLARE_CLASS(TShape, TObject)
public:
    explicit TShape(int Size) : FSize(Size) {}
    virtual QString Describe() const { return QStringLiteral("shape %1").arg(FSize); }
    int FSize;

    template <class Self>
    static void DeclareConstructors(TMetaClass& Meta)
    {
        if constexpr (std::is_constructible_v<Self, int>)
            Meta.AddConstructor<TShape, int>(std::function<TShape*(int)>([](int size) { return new Self(size); }));
    }
};
VEL_IMPLEMENT_CLASS(TShape)

class TSquare : public TShape {
    VEL_DECLARE_CLASS(TSquare, TShape)
public:
    using TShape::TShape;
    QString Describe() const override { return QStringLiteral("square %1").arg(FSize); }
};
VEL_IMPLEMENT_CLASS(TSquare)

class TAbstractShape : public TShape {
    VEL_DECLARE_CLASS(TAbstractShape, TShape)
public:
    using TShape::TShape;
    virtual void Draw() = 0;
};

class TCircle : public TAbstractShape {
    VEL_DECLARE_CLASS(TCircle, TAbstractShape)
public:
    using TAbstractShape::TAbstractShape;
    void Draw() override {}
};
VEL_IMPLEMENT_CLASS(TCircle)
VEL_IMPLEMENT_CLASS(TAbstractShape)

TEST(ClassReference, NamesParentsAndInheritance)
{
    TClass square = TSquare::StaticClass();
    EXPECT_EQ(square->ClassName(), QStringLiteral("TSquare"));
    EXPECT_EQ(square->ClassParent(), TShape::StaticClass());
    EXPECT_TRUE(square->InheritsFrom(TObject::StaticClass()));
    EXPECT_FALSE(TShape::StaticClass()->InheritsFrom(square));
    TSquare object(3);
    EXPECT_EQ(object.ClassName(), QStringLiteral("TSquare"));
    EXPECT_TRUE(object.InheritsFrom(TShape::StaticClass()));
}

TEST(ClassReference, VirtualConstructorBuildsTheMostDerivedClass)
{
    TClass reference = TSquare::StaticClass();
    std::unique_ptr<TShape> shape(reference->Create<TShape>(4));
    EXPECT_EQ(shape->ClassName(), QStringLiteral("TSquare"));
    EXPECT_EQ(shape->Describe(), QStringLiteral("square 4"));
    EXPECT_THROW(reference->Create<TObject>(), EClassNotConstructible);
    const bool abstractIsConstructible = TAbstractShape::StaticClass()->HasConstructor<TShape, int>();
    EXPECT_FALSE(abstractIsConstructible);
    std::unique_ptr<TShape> circle(TCircle::StaticClass()->Create<TShape>(2));
    EXPECT_TRUE(circle->InheritsFrom(TAbstractShape::StaticClass()));
}

TEST(Component, OwnerDestroysWhatItOwnsAndEarlyDeathLeavesTheOwner)
{
    auto* owner = new TComponent(nullptr);
    auto* early = new TComponent(owner);
    new TComponent(owner);
    ASSERT_EQ(owner->ComponentCount(), 2);
    delete early;
    EXPECT_EQ(owner->ComponentCount(), 1);
    delete owner; // frees the remaining one; the leak checker of the sanitizer build verifies it
}

} // namespace
