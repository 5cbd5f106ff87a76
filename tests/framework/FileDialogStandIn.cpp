#include <value/StringStack.h>
#include <window/FileDialog.h>

#include <utility>

// Linked into the file-selection tests only while the window layer has no file dialog of its
// own: it takes the title and the filter off the string stack as the dialog does and hands the
// call to the installed handler; without one it answers 0, as the dialog does without a
// display.

namespace window {

namespace {

FileDialogHandler& Handler()
{
    static FileDialogHandler handler;
    return handler;
}

} // namespace

void SetFileDialogHandler(FileDialogHandler handler)
{
    Handler() = std::move(handler);
}

std::int32_t FileDialog(
    std::uint32_t flags, const value::ValueReference& variable, std::string_view)
{
    value::Drop(); // the title
    value::Drop(); // the filter
    return Handler() ? Handler()(flags, variable) : 0;
}

} // namespace window
