#pragma once
// Observes whether particular heap objects are freed: the test binary's global operator
// delete reports every freed address here. Used to check that records the framework owns
// are freed when their registry entry goes.

#include <vector>

namespace TestSupport {

class TFreeWatch {
public:
    explicit TFreeWatch(const void* Watched);
    // Watches up to 64 objects at once.
    explicit TFreeWatch(const std::vector<const void*>& Watched);
    ~TFreeWatch();
    // Whether every watched object has been freed.
    bool Freed() const;
    // How many of the watched objects have been freed.
    int FreedCount() const;
};

} // namespace TestSupport
