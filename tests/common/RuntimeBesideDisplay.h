#pragma once

// Runs a program as the runtime's first thread beside the display, while a controlling
// thread of the test drives the display as a user would (platform::test).

#include <platform/TestDriver.h>
#include <window/RuntimeLock.h>
#include <window/RuntimeMain.h>

#include <functional>
#include <thread>

namespace testsupport {

/// Runs `program` as the runtime's first thread while `controller` runs on a thread of its
/// own; returns once both have ended and the runtime has shut down. The first thread gives up
/// the runtime lock while it waits for the controller.
inline void RunWithController(
    const std::function<void()>& program, const std::function<void()>& controller)
{
    platform::test::SilenceHarmlessPlatformWarnings();
    window::RunRuntime([&] {
        std::thread driver(controller);
        program();
        window::AssertHoldsRuntimeLock();
        window::RuntimeLockRelease released;
        driver.join();
        return 0;
    });
}

} // namespace testsupport
