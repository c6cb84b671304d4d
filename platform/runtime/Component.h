#pragma once
// Components and ownership. A component is destroyed by its owner, at the latest when the
// owner itself is destroyed, and leaves its owner's list when it is destroyed earlier.
// Ownership is kept apart from the visual parent: a form owned by a panel may still be a
// window of its own.

#include "Object.h"

#include <QString>

#include <vector>

class TComponent : public TObject {
    VEL_DECLARE_CLASS(TComponent, TObject)
public:
    explicit TComponent(TComponent* AOwner = nullptr);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const { return FComponents.at(Index); }
    // Destroys every owned component, the last first.
    void DestroyComponents();

    const QString& Name() const { return FName; }
    void SetName(const QString& Name) { FName = Name; }

    template <class Self>
    static void DeclareConstructors(TMetaClass& Meta)
    {
        if constexpr (std::is_constructible_v<Self, TComponent*>)
            Meta.AddConstructor<TComponent, TComponent*>(
                std::function<TComponent*(TComponent*)>([](TComponent* owner) { return new Self(owner); }));
    }

private:
    void InsertComponent(TComponent* Component);
    void RemoveComponent(TComponent* Component);

    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    QString FName;
};
