#include "RuntimeThread.h"

#include <utility>

namespace value {

namespace detail {

constinit thread_local RuntimeThread* t_runtimeThread = nullptr;

namespace {

/// Owns the calling thread's RuntimeThread and destroys it as the thread ends. Touched only when
/// the object is made, so the fast path reads the plain pointer above.
struct Owner {
    std::unique_ptr<RuntimeThread> thread;
    bool ended = false;
    ~Owner()
    {
        End();
        ended = true;
    }
    void End()
    {
        // The pointer stays set while the extensions are destroyed: they may still use the
        // thread's own values.
        thread.reset();
        t_runtimeThread = nullptr;
    }
};

thread_local Owner t_owner;

} // namespace

RuntimeThread& MakeRuntimeThread()
{
    assert(!t_owner.ended && "runtime state used after its thread ended");
    t_owner.thread = std::make_unique<RuntimeThread>();
    t_runtimeThread = t_owner.thread.get();
    return *t_runtimeThread;
}

} // namespace detail

void EndRuntimeThread()
{
    detail::t_owner.End();
}

RuntimeThread::~RuntimeThread()
{
    for (std::size_t i = kThreadExtensionSlots; i-- > 0;)
        m_extensions[i].reset();
}

void RuntimeThread::Install(
    ThreadExtensionSlot slot, std::unique_ptr<ThreadExtension> extension, Tag tag)
{
    const auto index = static_cast<std::size_t>(slot);
    assert(m_extensions[index] == nullptr);
    m_extensions[index] = std::move(extension);
    m_tags[index] = tag;
}

} // namespace value
