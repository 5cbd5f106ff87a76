#include <value/RuntimeFault.h>
#include <window/InternalError.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::pair<int, std::string>> g_stops;

void RecordStop(int number, std::string_view text)
{
    g_stops.emplace_back(number, std::string(text));
}

/// The internal errors reach the run-time error stop with their numbers and the tags of the
/// parts that found them; the stop, not the raiser, decides whether the program ends.
TEST(InternalErrorTest, EachGoesToTheStopWithItsNumberAndText)
{
    const struct {
        void (*raise)();
        int number;
        const char* text;
    } rows[] = {
        { &window::RaiseUseListError, 501, "CTLUSE" },
        { &window::RaiseDescriptorNotFound, 502, "WSLDIAL" },
        { &window::RaiseClassNotRegistered, 503, "WSLDIAL" },
    };
    const auto previous = value::SetRuntimeErrorStopHook(&RecordStop);
    for (const auto& row : rows) {
        g_stops.clear();
        row.raise();
        EXPECT_EQ(g_stops, (std::vector<std::pair<int, std::string>> { { row.number, row.text } }));
    }
    value::SetRuntimeErrorStopHook(previous);
}

} // namespace
