#include "Component.h"

#include <algorithm>

VEL_IMPLEMENT_CLASS(TComponent)

TComponent::TComponent(TComponent* AOwner)
    : FOwner(AOwner)
{
    if (FOwner)
        FOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        FComponents.pop_back();
        last->FOwner = nullptr;
        delete last;
    }
}

void TComponent::InsertComponent(TComponent* Component)
{
    FComponents.push_back(Component);
}

void TComponent::RemoveComponent(TComponent* Component)
{
    auto found = std::find(FComponents.begin(), FComponents.end(), Component);
    if (found != FComponents.end())
        FComponents.erase(found);
}
