#include "FreeWatch.h"

#include <atomic>
#include <cstdlib>
#include <new>
#include <stdexcept>

namespace {

// Frees may come from any thread: a watched address is struck out of its slot exactly once.
constexpr int MaxWatched = 64;
std::atomic<const void*> Watched[MaxWatched];
std::atomic<int> WatchedCount{0};
std::atomic<int> FreedTotal{0};

void NoteFree(const void* Address) noexcept
{
    if (!Address)
        return;
    const int count = WatchedCount.load(std::memory_order_relaxed);
    for (int i = 0; i < count; ++i) {
        const void* expected = Address;
        if (Watched[i].compare_exchange_strong(expected, nullptr, std::memory_order_relaxed)) {
            FreedTotal.fetch_add(1, std::memory_order_relaxed);
            return;
        }
    }
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
    : TFreeWatch(std::vector<const void*>{Address})
{
}

TFreeWatch::TFreeWatch(const std::vector<const void*>& Addresses)
{
    if (Addresses.size() > MaxWatched)
        throw std::length_error("TFreeWatch: too many objects");
    WatchedCount = 0;
    for (std::size_t i = 0; i < Addresses.size(); ++i)
        Watched[i] = Addresses[i];
    FreedTotal = 0;
    WatchedCount = static_cast<int>(Addresses.size());
}

TFreeWatch::~TFreeWatch()
{
    WatchedCount = 0;
}

bool TFreeWatch::Freed() const
{
    return FreedTotal == WatchedCount;
}

int TFreeWatch::FreedCount() const
{
    return FreedTotal;
}

} // namespace TestSupport
