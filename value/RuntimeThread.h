#pragma once

#include <value/BindScope.h>
#include <value/Decimal.h>
#include <value/Picture.h>
#include <value/StringStack.h>

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

// What one runtime thread owns, in one object per thread, reached through one thread_local
// pointer: its string stack, its bind scopes and, through one extension slot per higher layer,
// what files/, window/ and app/ keep per thread (THREAD-file copies, the thread's slot, the
// program's per-thread globals). Only its own thread touches it, so it needs no lock and nothing
// is switched when the runtime lock changes hands.
//
// Every thread that uses the runtime gets its object on first use and loses it when the thread
// ends: the runtime's threads, and also a thread that is none of them (the test's main thread
// that drives the string stack in a unit test, the GUI thread). Ending destroys the higher
// layers' extensions first, the highest first, then the thread's own values, releasing whatever
// the string stack still holds.

namespace value {

/// The higher layers' extension slots, lowest layer first; the highest is destroyed first.
enum class ThreadExtensionSlot : std::uint8_t { Files, Window, App };
inline constexpr std::size_t kThreadExtensionSlots = 3;

/// The base of what a higher layer keeps per thread. The derived type names its slot as a
/// `static constexpr ThreadExtensionSlot kSlot` and is default constructible.
class ThreadExtension {
public:
    ThreadExtension() = default;
    ThreadExtension(const ThreadExtension&) = delete;
    ThreadExtension& operator=(const ThreadExtension&) = delete;
    virtual ~ThreadExtension() = default;
};

class RuntimeThread {
public:
    RuntimeThread() = default;
    ~RuntimeThread();
    RuntimeThread(const RuntimeThread&) = delete;
    RuntimeThread& operator=(const RuntimeThread&) = delete;

    /// The thread's string stack (value/StringStack.h works on it).
    StringStackStorage stringStack;
    /// The thread's ten decimal registers (value/Decimal.h works on them), beside the string
    /// stack they exchange values with.
    DecimalStackStorage decimalStack;
    /// The picture the thread's last FORMAT or DEFORMAT compiled (value/Picture.h).
    RecentPicture recentPicture;
    /// The thread's bind scopes (value/BindScope.h works on them).
    BindScopeStack bindScopes;

    /// The layer's extension of type T, made on first use (one allocation for the thread's
    /// life).
    template<class T> T& Extension()
    {
        if (T* existing = FindExtension<T>())
            return *existing;
        auto made = std::make_unique<T>();
        T& result = *made;
        Install(T::kSlot, std::move(made), TagOf<T>());
        return result;
    }

    /// The layer's extension of type T, or null when the thread has not made it.
    template<class T> T* FindExtension() const
    {
        static_assert(std::is_base_of_v<ThreadExtension, T>);
        const auto index = static_cast<std::size_t>(T::kSlot);
        assert(m_tags[index] == nullptr || m_tags[index] == TagOf<T>());
        return static_cast<T*>(m_extensions[index].get());
    }

private:
    using Tag = const void*;
    template<class T> static Tag TagOf()
    {
        static constexpr char kTag = 0;
        return &kTag;
    }
    void Install(ThreadExtensionSlot slot, std::unique_ptr<ThreadExtension> extension, Tag tag);

    std::array<std::unique_ptr<ThreadExtension>, kThreadExtensionSlots> m_extensions;
    /// Which type fills each slot, so that two types claiming one slot are caught in a debug
    /// build.
    std::array<Tag, kThreadExtensionSlots> m_tags {};
};

namespace detail {
extern constinit thread_local RuntimeThread* t_runtimeThread;
/// Taken once per thread: kept out of line and cold, so that the callers' fast path (the string
/// stack's every operation) needs no stack frame for it.
[[gnu::cold, gnu::noinline]] RuntimeThread& MakeRuntimeThread();
} // namespace detail

/// Destroys the calling thread's RuntimeThread now, as the thread's end would; its next use
/// makes a fresh one. A runtime thread ends this way while it still holds the runtime lock, so
/// that what its extensions hand over to shared state is handed over under the lock.
void EndRuntimeThread();

/// The calling thread's RuntimeThread, made on first use.
inline RuntimeThread& CurrentRuntimeThread()
{
    RuntimeThread* thread = detail::t_runtimeThread;
    if (thread == nullptr) [[unlikely]]
        thread = &detail::MakeRuntimeThread();
    return *thread;
}

} // namespace value
