#include "Display.h"

#include "DisplayLanguage.h"
#include "DisplayLife.h"
#include "DisplayLook.h"
#include "DisplayWindows.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QTranslator>

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace platform {

namespace {

/// The display's life, shared by the GUI thread and every thread that calls it.
struct Life {
    std::mutex mutex;
    bool running = false;
    QObject* dispatcher = nullptr; ///< lives on the GUI thread; marshalled calls are queued on it
    std::thread::id guiThread;
    std::size_t inFlight = 0; ///< marshalled calls posted and not yet finished
};

Life& TheLife()
{
    static Life life;
    return life;
}

} // namespace

namespace display {

std::size_t CallsInFlight()
{
    Life& life = TheLife();
    const std::lock_guard lock(life.mutex);
    return life.inFlight;
}

} // namespace display

int RunDisplay(std::function<int()> runtime)
{
    // The toolkit keeps a reference to its arguments for as long as it runs.
    static int argc = 1;
    static char programName[] = "varn";
    static char* argv[] = { programName, nullptr };
    return RunDisplay(std::move(runtime), argc, argv);
}

int RunDisplay(std::function<int()> runtime, int& argc, char** argv)
{
    Life& life = TheLife();
    {
        const std::lock_guard lock(life.mutex);
        if (life.running)
            return -1; // one display per process at a time
    }
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    display::InstallFontSubstitutes();
    // Qt's own texts in the program's language; removed again as it goes, before the
    // application.
    const std::unique_ptr<QTranslator> language = display::InstallLanguage();

    QObject dispatcher;
    {
        const std::lock_guard lock(life.mutex);
        life.running = true;
        life.dispatcher = &dispatcher;
        life.guiThread = std::this_thread::get_id();
    }

    bool runtimeEnded = false; // GUI thread only
    int result = 0;
    std::thread runtimeThread([&] {
        result = runtime();
        // The loop ends with the runtime too, whether or not it asked for that.
        QMetaObject::invokeMethod(
            &dispatcher,
            [&runtimeEnded] {
                runtimeEnded = true;
                QCoreApplication::exit(0);
            },
            Qt::QueuedConnection);
    });

    QApplication::exec();
    // The runtime's first thread may still be ending its windows: keep serving it.
    while (!runtimeEnded)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    runtimeThread.join();

    // No more calls are taken; the ones already posted are finished so no caller hangs.
    {
        const std::lock_guard lock(life.mutex);
        life.running = false;
    }
    while (display::CallsInFlight() > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    display::DestroyAllWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    {
        const std::lock_guard lock(life.mutex);
        life.dispatcher = nullptr;
        life.guiThread = {};
    }
    return result;
}

void QuitDisplay()
{
    Life& life = TheLife();
    const std::lock_guard lock(life.mutex);
    if (!life.running)
        return;
    QMetaObject::invokeMethod(
        life.dispatcher, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

bool IsGuiThread()
{
    Life& life = TheLife();
    const std::lock_guard lock(life.mutex);
    return life.running && life.guiThread == std::this_thread::get_id();
}

bool DisplayRunning()
{
    Life& life = TheLife();
    const std::lock_guard lock(life.mutex);
    return life.running;
}

bool InvokeOnGui(const std::function<void()>& call)
{
    Life& life = TheLife();
    std::unique_lock lifeLock(life.mutex);
    if (life.guiThread == std::this_thread::get_id() && life.dispatcher != nullptr) {
        // Also while the display winds down, so that the GUI thread's own calls still run.
        lifeLock.unlock();
        call();
        return true;
    }
    if (!life.running)
        return false;

    // The completion lives on this stack: the GUI thread signals it under its mutex, so it is
    // not touched after the waiter has seen it done.
    struct Completion {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::exception_ptr failure;
    } completion;
    ++life.inFlight;
    QMetaObject::invokeMethod(
        life.dispatcher,
        [&call, &completion, &life] {
            std::exception_ptr failure;
            try {
                call();
            } catch (...) {
                failure = std::current_exception();
            }
            {
                const std::lock_guard lock(life.mutex);
                --life.inFlight;
            }
            const std::lock_guard lock(completion.mutex);
            completion.failure = failure;
            completion.finished = true;
            completion.done.notify_one();
        },
        Qt::QueuedConnection);
    lifeLock.unlock();

    std::unique_lock lock(completion.mutex);
    completion.done.wait(lock, [&completion] { return completion.finished; });
    if (completion.failure)
        std::rethrow_exception(completion.failure);
    return true;
}

} // namespace platform
