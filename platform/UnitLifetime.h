#pragma once
// Unit initialisation and finalisation guarded by a use count: the initialisation body runs
// when the count goes from 0 to 1, the finalisation body when it returns to 0. Whoever uses
// a unit (the shell at its start, each plug-in package when it is loaded) initialises it and
// finalises it again when it ends.

#include <functional>

class TUnitLifetime {
public:
    TUnitLifetime(std::function<void()> Initialization, std::function<void()> Finalization)
        : FInitialization(std::move(Initialization)), FFinalization(std::move(Finalization))
    {
    }

    // An initialisation that raises leaves the unit unused, so a later start runs it again.
    void Initialize()
    {
        if (FUseCount++ > 0)
            return;
        try {
            FInitialization();
        } catch (...) {
            FUseCount = 0;
            throw;
        }
    }

    void Finalize()
    {
        if (FUseCount > 0 && --FUseCount == 0)
            FFinalization();
    }

    int UseCount() const { return FUseCount; }

private:
    std::function<void()> FInitialization;
    std::function<void()> FFinalization;
    int FUseCount = 0;
};
