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
#include <deque>
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
    QObject* dispatcher = nullptr; ///< lives on the GUI thread; it runs the published calls
    std::thread::id guiThread;
    std::size_t inFlight = 0; ///< marshalled calls posted and not yet finished
    /// Work handed to the GUI thread, oldest first: one wake-up event is posted per call.
    std::deque<std::function<void()>> published;
};

Life& TheLife()
{
    static Life life;
    return life;
}

// Work crosses to the GUI thread through Life::published, under Life's mutex, which the GUI
// thread takes before it runs the work; Qt's own queue only carries a bare event that wakes it.
// Qt's queue and the reference count of a queued functor are synchronised inside Qt, which is
// not built with ThreadSanitizer: a functor posted with QMetaObject::invokeMethod, run on the
// GUI thread and then released by the posting thread, looks to the sanitizer like a race, and
// whatever the functor captured would too. With our own mutex on both sides every hand-over is
// one the sanitizer sees. The wake-up event itself is made by the posting thread, so the GUI
// thread takes the mutex before the event reaches anyone, event filters included (see
// DisplayApplication).

/// Posted to the dispatcher: run the oldest published call.
const QEvent::Type kRunPublished = static_cast<QEvent::Type>(QEvent::registerEventType());

/// Hands `work` to the GUI thread. The caller holds Life's mutex and the display runs.
void Publish(Life& life, std::function<void()> work)
{
    life.published.push_back(std::move(work));
    QCoreApplication::postEvent(life.dispatcher, new QEvent(kRunPublished));
}

/// Lives on the GUI thread for as long as the display runs.
class Dispatcher final : public QObject {
public:
    bool event(QEvent* event) override
    {
        if (event->type() != kRunPublished)
            return QObject::event(event);
        std::function<void()> work;
        {
            Life& life = TheLife();
            const std::lock_guard lock(life.mutex);
            if (life.published.empty())
                return true;
            work = std::move(life.published.front());
            life.published.pop_front();
        }
        work();
        return true;
    }
};

/// The application. An event for the dispatcher was made by the thread that published the call
/// it wakes up for, under Life's mutex: taking the mutex here, before the application's event
/// filters read the event, is what hands the event itself over.
class DisplayApplication final : public QApplication {
public:
    using QApplication::QApplication;

    void SetDispatcher(const QObject* dispatcher) { m_dispatcher = dispatcher; }

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (receiver == m_dispatcher && m_dispatcher != nullptr) {
            const std::lock_guard published(TheLife().mutex);
        }
        return QApplication::notify(receiver, event);
    }

private:
    const QObject* m_dispatcher = nullptr; ///< GUI thread only
};

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
    DisplayApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    display::InstallFontSubstitutes();
    // Qt's own texts in the program's language; removed again as it goes, before the
    // application.
    const std::unique_ptr<QTranslator> language = display::InstallLanguage();

    Dispatcher dispatcher;
    application.SetDispatcher(&dispatcher);
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
        const std::lock_guard lock(life.mutex);
        Publish(life, [&runtimeEnded] {
            runtimeEnded = true;
            QCoreApplication::exit(0);
        });
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
        // Quit requests that came after the loop had ended; a later display starts afresh.
        life.published.clear();
    }
    return result;
}

void QuitDisplay()
{
    Life& life = TheLife();
    const std::lock_guard lock(life.mutex);
    if (!life.running)
        return;
    Publish(life, [] { QCoreApplication::exit(0); });
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
    Publish(life, [&call, &completion, &life] {
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
    });
    lifeLock.unlock();

    std::unique_lock lock(completion.mutex);
    completion.done.wait(lock, [&completion] { return completion.finished; });
    if (completion.failure)
        std::rethrow_exception(completion.failure);
    return true;
}

} // namespace platform
