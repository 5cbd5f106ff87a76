#include <value/StringStack.h>
#include <window/Engine.h>
#include <window/RuntimeLock.h>
#include <window/ThreadTable.h>

#include <array>
#include <cassert>
#include <system_error>

namespace window {

namespace {

std::array<ThreadSlot, kThreadSlots> g_slots;
thread_local std::int32_t t_slot = -1;
/// The slot whose runtime state is loaded in the process-wide storage, -1 for none.
std::int32_t g_stateOwner = -1;
std::int32_t g_modalCount = 0;
/// Set while the first thread joins the others: no thread may be started then.
bool g_shuttingDown = false;

constexpr std::size_t kMaximumParameters = 3;

/// Clears what a previous thread left in the slot; its std::thread must be joined.
void ResetSlot(ThreadSlot& slot)
{
    slot.osThreadId = 0;
    slot.procedure = nullptr;
    slot.parameters.clear();
    slot.stackSize = 0;
    slot.queue.reset();
    slot.startup.reset();
    slot.currentWindow = nullptr;
    slot.bodyWindow = nullptr;
    slot.target = nullptr;
    slot.windows.clear();
    if (slot.savedStringStack != nullptr) {
        // A thread that ended with values on its stack: load and drop them.
        value::SavedStack* loaded = value::SaveStack();
        value::RestoreStack(slot.savedStringStack);
        value::ResetStringStack();
        value::RestoreStack(loaded);
        slot.savedStringStack = nullptr;
    }
    slot.lastKeyCode = 0;
    slot.lastKeyState[0] = 0;
    slot.lastKeyState[1] = 0;
    slot.pressedKeys.clear();
    slot.deferred.clear();
    slot.quitRequested = false;
}

/// The ending thread's runtime state is not kept: the next holder must not save it into a
/// slot that a new thread may take.
void DropOwnState(std::int32_t index)
{
    if (g_stateOwner == index) {
        value::ResetStringStack();
        g_stateOwner = -1;
    }
}

void ThreadMain(std::int32_t index)
{
    ThreadSlot& slot = g_slots[static_cast<std::size_t>(index)];
    t_slot = index;
    slot.osThreadId = platform::CurrentThreadId();
    slot.queue = platform::CurrentThreadQueue();
    slot.startup->Release();

    AcquireRuntimeLock();
    ThreadProcedure procedure = std::move(slot.procedure);
    std::vector<std::string> parameters = std::move(slot.parameters);
    if (procedure)
        procedure(std::move(parameters));
    CloseThreadWindows(index);
    slot.queue->End();
    DropOwnState(index);
    slot.used = false;
    ReleaseRuntimeLock();
}

} // namespace

ThreadSlot& Slot(std::int32_t index)
{
    assert(index >= 0 && index < kThreadSlots);
    return g_slots[static_cast<std::size_t>(index)];
}

std::int32_t CurrentSlot()
{
    return t_slot;
}

std::int32_t ThreadNumber()
{
    return t_slot < 0 ? 0 : t_slot + 1;
}

std::int32_t StartThread(
    ThreadProcedure procedure, std::int32_t stackSize, std::vector<std::string> parameters)
{
    assert(HoldsRuntimeLock());
    if (g_modalCount != 0 || g_shuttingDown)
        return 0;
    // A thread asked to end starts no more threads: the first thread is about to join them.
    if (t_slot >= 0 && g_slots[static_cast<std::size_t>(t_slot)].quitRequested)
        return 0;
    std::int32_t index = 1;
    while (index < kThreadSlots && g_slots[static_cast<std::size_t>(index)].used)
        ++index;
    if (index == kThreadSlots)
        return 0;

    ThreadSlot& slot = g_slots[static_cast<std::size_t>(index)];
    if (slot.thread.joinable()) {
        // The previous thread of this slot released the lock as its last act.
        slot.thread.join();
    }
    ResetSlot(slot);
    slot.used = true;
    slot.procedure = std::move(procedure);
    if (parameters.size() > kMaximumParameters)
        parameters.resize(kMaximumParameters);
    slot.parameters = std::move(parameters);
    slot.stackSize = stackSize < static_cast<std::int32_t>(kMinimumStackSize)
        ? kMinimumStackSize
        : static_cast<std::uint32_t>(stackSize);
    slot.startup = std::make_unique<platform::Semaphore>(0, 1);
    try {
        slot.thread = std::thread(ThreadMain, index);
    } catch (const std::system_error&) {
        ResetSlot(slot);
        slot.used = false;
        return 0;
    }
    slot.startup->Acquire();
    // The semaphore stays until the slot is reused after a join: the new thread may still be
    // inside Release when Acquire returns here.
    platform::Message started;
    started.message = 0x2414;
    started.wParam = index;
    slot.queue->Post(std::move(started));
    return index + 1;
}

std::uint32_t ThreadStackSize(std::int32_t threadNumber)
{
    if (threadNumber < 2 || threadNumber > kThreadSlots)
        return 0;
    const ThreadSlot& slot = g_slots[static_cast<std::size_t>(threadNumber - 1)];
    return slot.used ? slot.stackSize : 0;
}

bool RegisterFirstThread()
{
    AcquireRuntimeLock();
    ThreadSlot& slot = g_slots[0];
    if (slot.used) {
        ReleaseRuntimeLock();
        return false;
    }
    ResetSlot(slot);
    slot.used = true;
    slot.osThreadId = platform::CurrentThreadId();
    slot.queue = platform::CurrentThreadQueue();
    // Whatever an earlier session on this thread left queued belongs to windows long gone.
    for (platform::Message stale; slot.queue->TryTake(stale);) { }
    t_slot = 0;
    SwitchThreadState(0);
    return true;
}

void UnregisterFirstThread()
{
    assert(t_slot == 0 && HoldsRuntimeLock());
    DropOwnState(0);
    ResetSlot(g_slots[0]);
    g_slots[0].used = false;
    g_modalCount = 0;
    g_shuttingDown = false;
    t_slot = -1;
    ReleaseRuntimeLock();
}

void BeginShutdown()
{
    assert(HoldsRuntimeLock());
    g_shuttingDown = true;
}

std::int32_t JoinStartedThreads()
{
    assert(!HoldsRuntimeLock());
    std::int32_t joined = 0;
    for (std::size_t i = 1; i < g_slots.size(); ++i) {
        // BeginShutdown came first: no slot gets a new std::thread while this runs.
        if (g_slots[i].thread.joinable()) {
            g_slots[i].thread.join();
            ++joined;
        }
    }
    return joined;
}

std::int32_t ModalCount()
{
    return g_modalCount;
}

void EnterModalState()
{
    ++g_modalCount;
}

void LeaveModalState()
{
    assert(g_modalCount > 0);
    if (g_modalCount > 0)
        --g_modalCount;
}

void SwitchThreadState(std::int32_t slot)
{
    if (slot < 0 || slot == g_stateOwner)
        return;
    if (g_stateOwner >= 0)
        g_slots[static_cast<std::size_t>(g_stateOwner)].savedStringStack = value::SaveStack();
    ThreadSlot& incoming = g_slots[static_cast<std::size_t>(slot)];
    value::RestoreStack(incoming.savedStringStack);
    incoming.savedStringStack = nullptr;
    g_stateOwner = slot;
}

} // namespace window
