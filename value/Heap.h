#pragma once

#include <cstddef>

namespace value {

/// Blocks of the process heap that string values live in. A block is
/// allocated exactly to size and released with ReleaseBlock. A request for 0 bytes, or one the
/// heap cannot serve, answers null; nothing here throws.
char* AllocateBlock(std::size_t size);

/// As AllocateBlock, with every byte 0.
char* AllocateZeroedBlock(std::size_t size);

/// Releases a block from AllocateBlock or AllocateZeroedBlock; null is ignored.
void ReleaseBlock(void* block);

/// Asked before every allocation; answering false makes that allocation fail as if the heap
/// were exhausted. Tests use it to inject failures and to count allocations.
using AllocationHook = bool (*)(std::size_t size);

/// Installs the hook (null removes it) and answers the previous one.
AllocationHook SetAllocationHook(AllocationHook hook);

} // namespace value
