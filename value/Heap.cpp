#include "Heap.h"

#include <cstdlib>

namespace value {

namespace {
AllocationHook g_hook = nullptr;

bool Permitted(std::size_t size)
{
    return size != 0 && (g_hook == nullptr || g_hook(size));
}
} // namespace

char* AllocateBlock(std::size_t size)
{
    return Permitted(size) ? static_cast<char*>(std::malloc(size)) : nullptr;
}

char* AllocateZeroedBlock(std::size_t size)
{
    return Permitted(size) ? static_cast<char*>(std::calloc(1, size)) : nullptr;
}

void ReleaseBlock(void* block)
{
    std::free(block);
}

AllocationHook SetAllocationHook(AllocationHook hook)
{
    AllocationHook previous = g_hook;
    g_hook = hook;
    return previous;
}

} // namespace value
