#pragma once

#include <app/CommandLine.h>
#include <platform/SystemError.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

// What start-up tells the user about a settings file it found but could not use: one line on
// standard error in the command line's "varn: ..." form and language, never a box (no window
// is up yet, and the program goes on with its defaults). A missing file says nothing: the
// defaults are what it means.

namespace app {

/// The settings files start-up reads.
enum class SettingsFile : std::uint8_t {
    Profile,           ///< the WIN.INI stand-in (platform::ProfileFilePath)
    LocaleEnvironment, ///< varn.ENV beside the program (value::LoadLocaleEnvironment)
};

/// The line (UTF-8, ending in a line break) that says `file` at `path` could not be read for
/// `error` (not None) and that the defaults are used instead.
[[nodiscard]] std::string UnusableSettingsNotice(
    Language language, SettingsFile file, std::string_view path, platform::SystemError error);

/// Start-up, once, after both files have been read: writes to `err` the notice for the profile
/// when it exists but cannot be read (platform::ProfileFileProblem), and for the locale
/// environment file when its load answered `localeProblem` other than None or a missing file.
/// The language is the command line's (LC_ALL, LC_MESSAGES, LANG).
void ReportUnusableSettingsFiles(std::ostream& err, platform::SystemError localeProblem);

} // namespace app
