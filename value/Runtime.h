#pragma once

#include <value/RuntimeLock.h>
#include <value/ThreadSafety.h>

#include <array>
#include <atomic>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <type_traits>

// What the runtime's threads share, in one object guarded by the runtime lock
// (value/RuntimeLock.h): value's own shared state, and through one extension slot per higher
// layer what that layer shares (window/: the slot table, the modal count, the shutdown flag, the
// engine's open windows). What a thread owns lives in its RuntimeThread instead.

namespace value {

/// The higher layers' shared extension slots: window/'s thread table and its event engine.
enum class SharedExtensionSlot : std::uint8_t { WindowThreads, WindowEngine };
inline constexpr std::size_t kSharedExtensionSlots = 2;

/// The base of what a higher layer shares among the runtime's threads. The derived type names
/// its slot as a `static constexpr SharedExtensionSlot kSlot` and is default constructible.
class SharedExtension {
public:
    SharedExtension() = default;
    SharedExtension(const SharedExtension&) = delete;
    SharedExtension& operator=(const SharedExtension&) = delete;
    virtual ~SharedExtension() = default;
};

class Runtime {
public:
    Runtime() = default;
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    /// The RANDOM sequence: one for the whole process.
    std::mt19937 random RT_GUARDED_BY(TheRuntimeLock);

    /// The layer's shared extension of type T, made on first use. The extension guards its
    /// own members (RT_GUARDED_BY the runtime lock); reaching it needs no lock, so that a
    /// hand-over the lock does not cover (a new thread filling in its slot while its starter
    /// waits) can reach it too.
    template<class T> T& Extension()
    {
        static_assert(std::is_base_of_v<SharedExtension, T>);
        const auto index = static_cast<std::size_t>(T::kSlot);
        SharedExtension* extension = m_extensions[index].load(std::memory_order_acquire);
        if (extension == nullptr)
            extension = Install(index, std::make_unique<T>(), TagOf<T>());
        assert(m_tags[index] == TagOf<T>() && "two types claim one shared slot");
        return static_cast<T&>(*extension);
    }

private:
    using Tag = const void*;
    template<class T> static Tag TagOf()
    {
        static constexpr char kTag = 0;
        return &kTag;
    }
    /// Puts `made` into the slot unless another thread got there first; answers the slot's
    /// extension.
    SharedExtension* Install(std::size_t index, std::unique_ptr<SharedExtension> made, Tag tag);

    std::mutex m_installing;
    std::array<std::atomic<SharedExtension*>, kSharedExtensionSlots> m_extensions {};
    std::array<Tag, kSharedExtensionSlots> m_tags {};
};

/// The process's one Runtime.
Runtime& TheRuntime();

} // namespace value
