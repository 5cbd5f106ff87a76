#pragma once

#include <cstdint>
#include <string_view>

// Event codes and the engine's private message numbers. Inside the engine every event code
// carries the base 0x1400; procedures see and give codes with the base removed (Accepted is 1
// to them). One table pairs each code with its name; the engine and its diagnostics both read
// it.

namespace window {

inline constexpr std::int32_t kEventBase = 0x1400;

/// Internal event codes (with the base).
struct EventCode {
    static constexpr std::int32_t kAccepted = 0x1401;
    static constexpr std::int32_t kNewSelection = 0x1402;
    static constexpr std::int32_t kAlertKey = 0x140F;
    static constexpr std::int32_t kDrop = 0x1413;
    static constexpr std::int32_t kRejected = 0x141A;
    static constexpr std::int32_t kColumnResize = 0x141E;
    static constexpr std::int32_t kSelected = 0x1501;
    static constexpr std::int32_t kCloseWindow = 0x1601;
    static constexpr std::int32_t kCloseDown = 0x1602;
    static constexpr std::int32_t kOpenWindow = 0x1603;
    static constexpr std::int32_t kOpenFailed = 0x1604;
    static constexpr std::int32_t kLoseFocus = 0x1605;
    static constexpr std::int32_t kGainFocus = 0x1606;
    static constexpr std::int32_t kSuspend = 0x1608;
    static constexpr std::int32_t kResume = 0x1609;
    static constexpr std::int32_t kNotify = 0x160A;
    static constexpr std::int32_t kTimer = 0x160B;
    static constexpr std::int32_t kDdeExecute = 0x160F;
    static constexpr std::int32_t kDdePoke = 0x1610;
    static constexpr std::int32_t kCompleted = 0x1625;
    static constexpr std::int32_t kSized = 0x1631;
    static constexpr std::int32_t kBuildFile = 0x1640;
    static constexpr std::int32_t kBuildKey = 0x1641;
    static constexpr std::int32_t kBuildDone = 0x1642;
};

/// Event codes as procedures give and see them: without the base.
namespace event {
inline constexpr std::int32_t kAccepted = EventCode::kAccepted - kEventBase;
inline constexpr std::int32_t kNewSelection = EventCode::kNewSelection - kEventBase;
inline constexpr std::int32_t kAlertKey = EventCode::kAlertKey - kEventBase;
/// Something was dropped on the window (window::CurrentDrop tells what).
inline constexpr std::int32_t kDrop = EventCode::kDrop - kEventBase;
inline constexpr std::int32_t kRejected = EventCode::kRejected - kEventBase;
inline constexpr std::int32_t kSelected = EventCode::kSelected - kEventBase;
inline constexpr std::int32_t kCloseWindow = EventCode::kCloseWindow - kEventBase;
inline constexpr std::int32_t kCloseDown = EventCode::kCloseDown - kEventBase;
inline constexpr std::int32_t kOpenWindow = EventCode::kOpenWindow - kEventBase;
inline constexpr std::int32_t kLoseFocus = EventCode::kLoseFocus - kEventBase;
inline constexpr std::int32_t kGainFocus = EventCode::kGainFocus - kEventBase;
inline constexpr std::int32_t kCompleted = EventCode::kCompleted - kEventBase;
inline constexpr std::int32_t kSized = EventCode::kSized - kEventBase;
} // namespace event

/// The name of an internal event code ("EVENT:Accepted" for 0x1401); empty for a number that
/// is no event.
std::string_view EventName(std::int32_t code);

/// The internal code of an event name, compared without regard to case; 0 for an unknown name.
std::int32_t EventCodeOf(std::string_view name);

/// Calls `visit(code, name)` for every event in ascending order of code.
template<typename Visit> void ForEachEvent(Visit visit);

/// The engine's private message numbers (platform messages between its windows and threads).
struct PrivateMsg {
    static constexpr std::uint32_t kFirst = 0x2401;
    static constexpr std::uint32_t kQuerySetUse = 0x2401;
    static constexpr std::uint32_t kQuerySelected = 0x2402;
    static constexpr std::uint32_t kQueryCommand = 0x2403;
    static constexpr std::uint32_t kQueryHotChange = 0x2404;
    static constexpr std::uint32_t kQueryHelp = 0x2405;
    static constexpr std::uint32_t kQueryQuit = 0x2406;
    static constexpr std::uint32_t kQueryReply = 0x2407;
    static constexpr std::uint32_t kQueryLoseFocus = 0x2408;
    static constexpr std::uint32_t kQueryPScreen = 0x2409;
    static constexpr std::uint32_t kQueryPField = 0x240A;
    static constexpr std::uint32_t kQueryColor = 0x240C;
    static constexpr std::uint32_t kQueryHScroll = 0x240E;
    static constexpr std::uint32_t kQueryNotify = 0x2410;
    static constexpr std::uint32_t kQueryLocate = 0x2412;
    /// Posted to a new thread once it runs; wParam its slot.
    static constexpr std::uint32_t kThreadStarted = 0x2414;
    /// Brings the receiving thread's current window to the top.
    static constexpr std::uint32_t kBringToTop = 0x2415;
    /// A per-thread timer tick: "EVENT:Timer" for the thread's current window.
    static constexpr std::uint32_t kThreadTimer = 0x2416;
    /// Carries a queued event (Message::data holds the event).
    static constexpr std::uint32_t kQueuedEvent = 0x241B;
    static constexpr std::uint32_t kQueryContinueThread = 0x241C;
    static constexpr std::uint32_t kQueryEditDone = 0x241D;
    static constexpr std::uint32_t kLast = 0x241D;
};

/// The name of a private message ("QUERY_SETUSE" for 0x2401); empty for the numbers that have
/// none (0x2414, 0x2415, 0x2416, 0x241B and the unused ones) and outside the range.
std::string_view PrivateMessageName(std::uint32_t message);

// --- implementation of ForEachEvent ---------------------------------------------------------

struct EventNameEntry {
    std::int32_t code;
    std::string_view name;
};

/// The one table of codes and names, ascending by code.
const EventNameEntry* EventNameTable(std::size_t& count);

template<typename Visit> void ForEachEvent(Visit visit)
{
    std::size_t count = 0;
    const EventNameEntry* table = EventNameTable(count);
    for (std::size_t i = 0; i < count; ++i)
        visit(table[i].code, table[i].name);
}

} // namespace window
