#pragma once
// Observes whether one particular heap object is freed: the test binary's global operator
// delete reports every freed address here. Used to check that records the framework owns
// are freed when their registry entry goes.

namespace TestSupport {

class TFreeWatch {
public:
    explicit TFreeWatch(const void* Watched);
    ~TFreeWatch();
    bool Freed() const;
};

} // namespace TestSupport
