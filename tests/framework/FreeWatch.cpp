#include "FreeWatch.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<const void*> Watched{nullptr};
std::atomic<bool> WatchedFreed{false};

void NoteFree(const void* Address) noexcept
{
    if (Address && Address == Watched.load(std::memory_order_relaxed))
        WatchedFreed.store(true, std::memory_order_relaxed);
}

} // namespace

// The replaceable allocation functions of this test binary: plain malloc and free, with
// every free reported to the watch.
void* operator new(std::size_t Size)
{
    if (void* memory = std::malloc(Size ? Size : 1))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void* Address) noexcept
{
    NoteFree(Address);
    std::free(Address);
}

void operator delete(void* Address, std::size_t) noexcept
{
    NoteFree(Address);
    std::free(Address);
}

namespace TestSupport {

TFreeWatch::TFreeWatch(const void* Address)
{
    WatchedFreed = false;
    Watched = Address;
}

TFreeWatch::~TFreeWatch()
{
    Watched = nullptr;
}

bool TFreeWatch::Freed() const
{
    return WatchedFreed;
}

} // namespace TestSupport
