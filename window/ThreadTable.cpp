#include <value/Runtime.h>
#include <value/RuntimeThread.h>
#include <value/StringStack.h>
#include <window/Engine.h>
#include <window/EventCodes.h>
#include <window/RuntimeLock.h>
#include <window/ThreadTable.h>

#include <array>
#include <cassert>
#include <system_error>

namespace window {

namespace {

/// What the runtime's threads share of the thread table.
struct SharedThreadTable final : value::SharedExtension {
    static constexpr value::SharedExtensionSlot kSlot = value::SharedExtensionSlot::WindowThreads;

    std::array<ThreadSlot, kThreadSlots> slots RT_GUARDED_BY(value::TheRuntimeLock);
    std::int32_t modalCount RT_GUARDED_BY(value::TheRuntimeLock) = 0;
    /// Set while the first thread joins the others: no thread may be started then.
    bool shuttingDown RT_GUARDED_BY(value::TheRuntimeLock) = false;
};

SharedThreadTable& Table()
{
    return value::TheRuntime().Extension<SharedThreadTable>();
}

/// What a thread keeps of the thread table for itself.
struct OwnThreadSlot final : value::ThreadExtension {
    static constexpr value::ThreadExtensionSlot kSlot = value::ThreadExtensionSlot::Window;

    std::int32_t slot = -1;
};

void SetCurrentSlot(std::int32_t index)
{
    value::CurrentRuntimeThread().Extension<OwnThreadSlot>().slot = index;
}

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
    slot.lastKeyCode = 0;
    slot.lastKeyState[0] = 0;
    slot.lastKeyState[1] = 0;
    slot.pressedKeys.clear();
    slot.deferred.clear();
    slot.quitRequested = false;
}

/// A new thread's first act: fills in its slot and signals the thread that started it.
// The starting thread holds the runtime lock and waits on the start-up semaphore until this is
// done, so the slot is written on its behalf; the analysis cannot see that hand-over.
ThreadSlot& AnnounceStart(std::int32_t index) RT_NO_THREAD_SAFETY_ANALYSIS
{
    ThreadSlot& slot = Table().slots[static_cast<std::size_t>(index)];
    slot.osThreadId = platform::CurrentThreadId();
    slot.queue = platform::CurrentThreadQueue();
    value::EnterRuntime();
    slot.startup->Release();
    return slot;
}

void ThreadMain(std::int32_t index)
{
    SetCurrentSlot(index);
    ThreadSlot& slot = AnnounceStart(index);

    AcquireRuntimeLock();
    ThreadProcedure procedure = std::move(slot.procedure);
    std::vector<std::string> parameters = std::move(slot.parameters);
    if (procedure)
        procedure(std::move(parameters));
    CloseThreadWindows(index);
    slot.queue->End();
    // What the thread owned ends with it, under the lock: its string stack is released and its
    // THREAD-file copies are handed to the end-of-run close. A new thread in this slot starts
    // from nothing.
    value::EndRuntimeThread();
    value::LeaveRuntime();
    slot.used = false;
    ReleaseRuntimeLock();
}

} // namespace

ThreadSlot& Slot(std::int32_t index)
{
    assert(index >= 0 && index < kThreadSlots);
    value::AssertRuntimeLockHeld();
    return Table().slots[static_cast<std::size_t>(index)];
}

std::int32_t CurrentSlot()
{
    const auto* own = value::CurrentRuntimeThread().FindExtension<OwnThreadSlot>();
    return own == nullptr ? -1 : own->slot;
}

std::int32_t ThreadNumber()
{
    const std::int32_t slot = CurrentSlot();
    return slot < 0 ? 0 : slot + 1;
}

std::int32_t StartThread(
    ThreadProcedure procedure, std::int32_t stackSize, std::vector<std::string> parameters)
{
    value::TheRuntimeLock.AssertHeld();
    SharedThreadTable& table = Table();
    if (table.modalCount != 0 || table.shuttingDown)
        return 0;
    // A thread asked to end starts no more threads: the first thread is about to join them.
    const std::int32_t caller = CurrentSlot();
    if (caller >= 0 && table.slots[static_cast<std::size_t>(caller)].quitRequested)
        return 0;
    std::int32_t index = 1;
    while (index < kThreadSlots && table.slots[static_cast<std::size_t>(index)].used)
        ++index;
    if (index == kThreadSlots)
        return 0;

    ThreadSlot& slot = table.slots[static_cast<std::size_t>(index)];
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
    started.message = PrivateMsg::kThreadStarted;
    started.wParam = index;
    slot.queue->Post(std::move(started));
    return index + 1;
}

std::uint32_t ThreadStackSize(std::int32_t threadNumber)
{
    if (threadNumber < 2 || threadNumber > kThreadSlots)
        return 0;
    const ThreadSlot& slot = Slot(threadNumber - 1);
    return slot.used ? slot.stackSize : 0;
}

bool RegisterFirstThread()
{
    AcquireRuntimeLock();
    ThreadSlot& slot = Table().slots[0];
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
    SetCurrentSlot(0);
    value::EnterRuntime();
    return true;
}

void UnregisterFirstThread()
{
    assert(CurrentSlot() == 0);
    value::TheRuntimeLock.AssertHeld();
    // The thread lives on after the runtime: only what the runtime left on its stack goes.
    value::ResetStringStack();
    SharedThreadTable& table = Table();
    ResetSlot(table.slots[0]);
    table.slots[0].used = false;
    table.modalCount = 0;
    table.shuttingDown = false;
    SetCurrentSlot(-1);
    value::LeaveRuntime();
    ReleaseRuntimeLock();
}

void BeginShutdown()
{
    value::AssertRuntimeLockHeld();
    Table().shuttingDown = true;
}

// BeginShutdown came first, so no slot gets a new std::thread while this runs without the lock;
// the analysis cannot see that.
std::int32_t JoinStartedThreads() RT_NO_THREAD_SAFETY_ANALYSIS
{
    assert(!HoldsRuntimeLock());
    SharedThreadTable& table = Table();
    std::int32_t joined = 0;
    for (std::size_t i = 1; i < table.slots.size(); ++i) {
        if (table.slots[i].thread.joinable()) {
            table.slots[i].thread.join();
            ++joined;
        }
    }
    return joined;
}

std::int32_t ModalCount()
{
    value::AssertRuntimeLockHeld();
    return Table().modalCount;
}

void EnterModalState()
{
    value::AssertRuntimeLockHeld();
    ++Table().modalCount;
}

void LeaveModalState()
{
    value::AssertRuntimeLockHeld();
    SharedThreadTable& table = Table();
    assert(table.modalCount > 0);
    if (table.modalCount > 0)
        --table.modalCount;
}

} // namespace window
