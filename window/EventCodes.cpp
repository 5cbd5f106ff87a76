#include <window/EventCodes.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace window {

namespace {

// Ascending by code: the field events, the selection, the window events, the state
// requests and reports, the build progress.
constexpr std::array<EventNameEntry, 63> kEvents = { {
    { 0x1401, "EVENT:Accepted" },
    { 0x1402, "EVENT:NewSelection" },
    { 0x1403, "EVENT:ScrollUp" },
    { 0x1404, "EVENT:ScrollDown" },
    { 0x1405, "EVENT:PageUp" },
    { 0x1406, "EVENT:PageDown" },
    { 0x1407, "EVENT:ScrollTop" },
    { 0x1408, "EVENT:ScrollBottom" },
    { 0x1409, "EVENT:Locate" },
    { 0x140A, "EVENT:MouseUp" },
    { 0x140B, "EVENT:MouseIn" },
    { 0x140C, "EVENT:MouseOut" },
    { 0x140D, "EVENT:MouseMove" },
    { 0x140E, "EVENT:VBXevent" },
    { 0x140F, "EVENT:AlertKey" },
    { 0x1410, "EVENT:PreAlert" },
    { 0x1411, "EVENT:Dragging" },
    { 0x1412, "EVENT:Drag" },
    { 0x1413, "EVENT:Drop" },
    { 0x1414, "EVENT:ScrollDrag" },
    { 0x1415, "EVENT:TabChanging" },
    { 0x1416, "EVENT:Expanding" },
    { 0x1417, "EVENT:Contracting" },
    { 0x1418, "EVENT:Expanded" },
    { 0x1419, "EVENT:Contracted" },
    { 0x141A, "EVENT:Rejected" },
    { 0x141B, "EVENT:DroppingDown" },
    { 0x141C, "EVENT:DroppedDown" },
    { 0x141D, "EVENT:ScrollTrack" },
    { 0x141E, "EVENT:ColumnResize" },
    { 0x1501, "EVENT:Selected" },
    { 0x1601, "EVENT:CloseWindow" },
    { 0x1602, "EVENT:CloseDown" },
    { 0x1603, "EVENT:OpenWindow" },
    { 0x1604, "EVENT:OpenFailed" },
    { 0x1605, "EVENT:LoseFocus" },
    { 0x1606, "EVENT:GainFocus" },
    { 0x1608, "EVENT:Suspend" },
    { 0x1609, "EVENT:Resume" },
    { 0x160A, "EVENT:Notify" },
    { 0x160B, "EVENT:Timer" },
    { 0x160C, "EVENT:DDErequest" },
    { 0x160D, "EVENT:DDEadvise" },
    { 0x160E, "EVENT:DDEdata" },
    { 0x160F, "EVENT:DDEexecute" },
    { 0x1610, "EVENT:DDEpoke" },
    { 0x1611, "EVENT:DDEclosed" },
    { 0x1620, "EVENT:Move" },
    { 0x1621, "EVENT:Size" },
    { 0x1622, "EVENT:Restore" },
    { 0x1623, "EVENT:Maximize" },
    { 0x1624, "EVENT:Iconize" },
    { 0x1625, "EVENT:Completed" },
    { 0x1630, "EVENT:Moved" },
    { 0x1631, "EVENT:Sized" },
    { 0x1632, "EVENT:Restored" },
    { 0x1633, "EVENT:Maximized" },
    { 0x1634, "EVENT:Iconized" },
    { 0x1635, "EVENT:Docked" },
    { 0x1636, "EVENT:UnDocked" },
    { 0x1640, "EVENT:BuildFile" },
    { 0x1641, "EVENT:BuildKey" },
    { 0x1642, "EVENT:BuildDone" },
} };

struct MessageNameEntry {
    std::uint32_t message;
    std::string_view name;
};

constexpr std::array<MessageNameEntry, 16> kMessages = { {
    { 0x2401, "QUERY_SETUSE" },
    { 0x2402, "QUERY_SELECTED" },
    { 0x2403, "QUERY_COMMAND" },
    { 0x2404, "QUERY_HOTCHANGE" },
    { 0x2405, "QUERY_HELP" },
    { 0x2406, "QUERY_QUIT" },
    { 0x2407, "QUERY_REPLY" },
    { 0x2408, "QUERY_LOSEFOCUS" },
    { 0x2409, "QUERY_PSCREEN" },
    { 0x240A, "QUERY_PFIELD" },
    { 0x240C, "QUERY_COLOR" },
    { 0x240E, "QUERY_HSCROLL" },
    { 0x2410, "QUERY_NOTIFY" },
    { 0x2412, "QUERY_LOCATE" },
    { 0x241C, "QUERY_CONTINUETHREAD" },
    { 0x241D, "QUERY_EDITDONE" },
} };

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x))
            == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

const EventNameEntry* EventNameTable(std::size_t& count)
{
    count = kEvents.size();
    return kEvents.data();
}

std::string_view EventName(std::int32_t code)
{
    auto found = std::lower_bound(kEvents.begin(), kEvents.end(), code,
        [](const EventNameEntry& entry, std::int32_t wanted) { return entry.code < wanted; });
    return found != kEvents.end() && found->code == code ? found->name : std::string_view();
}

std::int32_t EventCodeOf(std::string_view name)
{
    for (const EventNameEntry& entry : kEvents) {
        if (SameIgnoringCase(entry.name, name))
            return entry.code;
    }
    return 0;
}

std::string_view PrivateMessageName(std::uint32_t message)
{
    for (const MessageNameEntry& entry : kMessages) {
        if (entry.message == message)
            return entry.name;
    }
    return {};
}

} // namespace window
