#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

// The program's command line. The program itself takes only --help (-h) and --version; every
// option the display toolkit knows (-platform, -display, -style, -qwindowgeometry, -reverse and
// the rest, with one dash or two) is left in place for the toolkit, which reads the same
// arguments when the display starts. Anything else is refused before the display starts, so
// --help, --version and a refusal need no display at all.

namespace app {

/// What the command line asks for.
enum class CommandLineRequest : std::uint8_t {
    Run,     ///< start the program
    Help,    ///< show the help and end
    Version, ///< show the version and end
    Refused, ///< show the usage on standard error and end with kUsageExitCode
};

/// Why an argument was refused.
enum class CommandLineProblem : std::uint8_t {
    None,
    UnknownOption,      ///< neither the program's nor the toolkit's
    MissingValue,       ///< a toolkit option that takes a value ended the line
    UnexpectedArgument, ///< the program takes no file names or other operands
};

/// The exit code of a refused command line.
inline constexpr int kUsageExitCode = 2;

struct CommandLine {
    CommandLineRequest request = CommandLineRequest::Run;
    CommandLineProblem problem = CommandLineProblem::None;
    std::string argument; ///< the argument refused; empty unless refused
};

/// Reads the arguments that follow the program's name, in order. The first that asks for help
/// or the version, or that is refused, decides ("--help --bogus" shows the help, "--bogus
/// --help" is refused); with none of these the answer is Run. A toolkit option is passed over
/// together with its value ("-platform --help" gives "--help" to -platform as its value, as the
/// toolkit would); "-style=fusion" carries its value in itself. After "--" every argument is an
/// operand, and the program takes none.
[[nodiscard]] CommandLine ReadCommandLine(std::span<const char* const> arguments);

/// The language of the program's messages on the terminal.
enum class Language : std::uint8_t { English, Croatian };

/// The first of `lcAll`, `lcMessages` and `lang` (the values of LC_ALL, LC_MESSAGES and LANG;
/// null when unset) that is set and not empty decides: Croatian when it names the Croatian
/// language ("hr", followed by nothing or by "_", "." or "@": "hr_HR.UTF-8"), English for any
/// other value and when none is set.
[[nodiscard]] Language MessageLanguage(const char* lcAll, const char* lcMessages, const char* lang);

/// Where the program's files are, as the help names them.
struct ProgramFiles {
    std::string environmentFile; ///< the locale environment file; empty when unknown
    std::string profileFile;     ///< the WIN.INI stand-in; empty when none can be formed
};

/// The files of this process: the environment file beside its executable, the profile file
/// the environment names.
[[nodiscard]] ProgramFiles ProgramFilesInUse();

/// "varn --help": what the program does, its options and where its files are (UTF-8).
[[nodiscard]] std::string HelpText(Language language, const ProgramFiles& files);

/// "varn --version": "varn" and the program's version, then the hashing library's (UTF-8).
[[nodiscard]] std::string VersionText(Language language);

/// What a refused command line shows on standard error: what was wrong, a short usage and
/// where to find more (UTF-8).
[[nodiscard]] std::string UsageText(Language language, const CommandLine& commandLine);

/// Answers the command line before the display starts: the help or the version on `out`
/// (exit code 0), or the usage on `err` (kUsageExitCode). Nothing when the program is to run.
/// The language comes from the process's environment.
[[nodiscard]] std::optional<int> AnswerCommandLine(
    std::span<const char* const> arguments, std::ostream& out, std::ostream& err);

} // namespace app
