#pragma once

// What the engine tests share: a runtime session on the test's own thread with a run-time
// error stop that records instead of ending the program, and a signal other threads wait on
// without sleeping.

#include <value/RuntimeFault.h>
#include <window/Engine.h>
#include <window/EventCodes.h>
#include <window/ThreadTable.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace enginetest {

/// Errors raised through the run-time error stop while a fixture runs.
inline std::vector<int>& RaisedErrors()
{
    static std::vector<int> errors;
    return errors;
}

inline void RecordError(int number, std::string_view /*text*/)
{
    RaisedErrors().push_back(number);
}

/// A count that threads raise and others wait for; waiting gives up after a generous limit
/// so that a fault shows as a failure, not a hang.
class Signal {
public:
    void Raise()
    {
        std::lock_guard lock(m_mutex);
        ++m_count;
        m_changed.notify_all();
    }
    [[nodiscard]] bool WaitFor(int count)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(30), [&] { return m_count >= count; });
    }
    int Count()
    {
        std::lock_guard lock(m_mutex);
        return m_count;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_count = 0;
};

/// The test's thread as the runtime's first thread, with recorded errors.
class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        RaisedErrors().clear();
        m_previousStop = value::SetRuntimeErrorStopHook(RecordError);
        m_session = std::make_unique<window::RuntimeSession>();
        ASSERT_TRUE(m_session->Started());
    }
    void TearDown() override
    {
        m_session->End();
        m_session.reset();
        value::SetRuntimeErrorStopHook(m_previousStop);
    }

    /// Ends the session now (joining every started thread).
    void EndSession() { m_session->End(); }

private:
    value::RuntimeErrorStopHook m_previousStop = nullptr;
    std::unique_ptr<window::RuntimeSession> m_session;
};

/// A window with fields 1 to `fields` and no platform window.
inline void AddFields(window::WindowObject& window, int fields)
{
    for (int equate = 1; equate <= fields; ++equate)
        window.AddControl(equate, 0);
}

inline platform::Message ThreadTimerTick()
{
    platform::Message tick;
    tick.message = window::PrivateMsg::kThreadTimer;
    return tick;
}

} // namespace enginetest
