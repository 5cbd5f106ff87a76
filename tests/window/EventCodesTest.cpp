#include <window/EngineErrors.h>
#include <window/EventCodes.h>

#include <gtest/gtest.h>

#include <set>

using namespace window;

namespace {

struct NameRow {
    std::int32_t code;
    const char* name; // "" for a number that is no event
};

// The first and last code of every group, a few inside, and the gaps between groups.
const NameRow kNameRows[] = {
    { 0x1400, "" }, { 0x1401, "EVENT:Accepted" }, { 0x1402, "EVENT:NewSelection" },
    { 0x140E, "EVENT:VBXevent" }, { 0x1413, "EVENT:Drop" }, { 0x141A, "EVENT:Rejected" },
    { 0x141E, "EVENT:ColumnResize" }, { 0x141F, "" }, { 0x1501, "EVENT:Selected" }, { 0x1502, "" },
    { 0x1601, "EVENT:CloseWindow" }, { 0x1602, "EVENT:CloseDown" }, { 0x1604, "EVENT:OpenFailed" },
    { 0x1606, "EVENT:GainFocus" }, { 0x1607, "" }, // unused
    { 0x1608, "EVENT:Suspend" }, { 0x160B, "EVENT:Timer" }, { 0x160F, "EVENT:DDEexecute" },
    { 0x1611, "EVENT:DDEclosed" }, { 0x1612, "" }, { 0x1620, "EVENT:Move" },
    { 0x1625, "EVENT:Completed" }, { 0x1626, "" }, { 0x1630, "EVENT:Moved" },
    { 0x1636, "EVENT:UnDocked" }, { 0x1640, "EVENT:BuildFile" }, { 0x1642, "EVENT:BuildDone" },
    { 0x1643, "" }, { 1, "" }, // a code without the base is no internal code
};

TEST(EventCodes, NamesOfCodes)
{
    for (const NameRow& row : kNameRows)
        EXPECT_EQ(EventName(row.code), row.name) << std::hex << row.code;
}

TEST(EventCodes, TableIsOrderedAndNamesLeadBackToTheirCodes)
{
    std::int32_t previous = 0;
    std::set<std::string_view> names;
    int count = 0;
    ForEachEvent([&](std::int32_t code, std::string_view name) {
        EXPECT_GT(code, previous);
        previous = code;
        EXPECT_TRUE(names.insert(name).second) << name;
        EXPECT_EQ(EventCodeOf(name), code) << name;
        ++count;
    });
    EXPECT_EQ(count, 63);
    EXPECT_EQ(EventCodeOf("event:accepted"), EventCode::kAccepted);
    EXPECT_EQ(EventCodeOf("EVENT:TIMER"), EventCode::kTimer);
    EXPECT_EQ(EventCodeOf("EVENT:Nothing"), 0);
    EXPECT_EQ(EventCodeOf(""), 0);
}

TEST(EventCodes, PrivateMessageNames)
{
    EXPECT_EQ(PrivateMessageName(0x2401), "QUERY_SETUSE");
    EXPECT_EQ(PrivateMessageName(0x240A), "QUERY_PFIELD");
    EXPECT_EQ(PrivateMessageName(0x2412), "QUERY_LOCATE");
    EXPECT_EQ(PrivateMessageName(0x241C), "QUERY_CONTINUETHREAD");
    EXPECT_EQ(PrivateMessageName(0x241D), "QUERY_EDITDONE");
    // Numbers in the range without a name, and numbers outside it.
    for (std::uint32_t unnamed : { 0x240Bu, 0x2414u, 0x2415u, 0x2416u, 0x241Bu, 0x2400u, 0x241Eu })
        EXPECT_EQ(PrivateMessageName(unnamed), "") << std::hex << unnamed;
}

TEST(EngineErrors, TextsByNumber)
{
    EXPECT_EQ(EngineErrorText(EngineError::ApplicationActive),
        "Unable to open APPLICATION (APPLICATION already active)");
    EXPECT_EQ(EngineErrorText(EngineError::MdiOnApplicationThread),
        "Unable to open MDI window on APPLICATION's thread");
    EXPECT_EQ(EngineErrorText(EngineError::TooManyKeystrokes), "Too many keystrokes PRESSed");
    EXPECT_EQ(EngineErrorText(EngineError::AcceptWithoutWindow), "ACCEPT loop requires a window");
    EXPECT_EQ(EngineErrorText(EngineError::ModalTextBox),
        "Unable to complete operation (system is MODAL)");
    EXPECT_EQ(static_cast<int>(EngineError::ModalTextBox), 542);
}

} // namespace
