#include "CommandLine.h"

#include <platform/Path.h>
#include <platform/Profile.h>

#include <algorithm>
#include <array>
#include <cstdlib>

// The build passes the program's version and the hashing library's as VARN_VERSION and
// VARN_HASHING_LIBRARY_VERSION (app/CMakeLists.txt), from the project's and the library's
// own declarations, so that no other place spells them.
#ifndef VARN_VERSION
#    error "VARN_VERSION must come from the build"
#endif
#ifndef VARN_HASHING_LIBRARY_VERSION
#    error "VARN_HASHING_LIBRARY_VERSION must come from the build"
#endif

namespace app {

namespace {

enum class TakesValue : std::uint8_t { No, Yes };

struct ToolkitOption {
    std::string_view name; ///< without its dash
    TakesValue takesValue;
};

// The options the display toolkit (Qt 6, with the X11 and other platform plugins) reads from
// the command line. Each is also written with two dashes, and "-style", "-stylesheet" and
// "-qmljsdebugger" also as "-name=value".
constexpr std::array<ToolkitOption, 22> kToolkitOptions = { {
    { "platform", TakesValue::Yes },
    { "platformpluginpath", TakesValue::Yes },
    { "platformtheme", TakesValue::Yes },
    { "plugin", TakesValue::Yes },
    { "qwindowgeometry", TakesValue::Yes },
    { "qwindowicon", TakesValue::Yes },
    { "qwindowtitle", TakesValue::Yes },
    { "geometry", TakesValue::Yes }, // the X11 spellings of the three above
    { "icon", TakesValue::Yes },
    { "title", TakesValue::Yes },
    { "display", TakesValue::Yes },
    { "name", TakesValue::Yes },
    { "visual", TakesValue::Yes },
    { "session", TakesValue::Yes },
    { "style", TakesValue::Yes },
    { "stylesheet", TakesValue::Yes },
    { "qmljsdebugger", TakesValue::Yes },
    { "reverse", TakesValue::No },
    { "nograb", TakesValue::No },
    { "dograb", TakesValue::No },
    { "widgetcount", TakesValue::No },
    { "testability", TakesValue::No },
} };

constexpr std::array<std::string_view, 3> kOptionsWithInlineValue = {
    "style",
    "stylesheet",
    "qmljsdebugger",
};

const ToolkitOption* FindToolkitOption(std::string_view name)
{
    const auto found = std::find_if(kToolkitOptions.begin(), kToolkitOptions.end(),
        [name](const ToolkitOption& option) { return option.name == name; });
    return found == kToolkitOptions.end() ? nullptr : &*found;
}

bool IsInlineValueForm(std::string_view name)
{
    const auto equals = name.find('=');
    if (equals == std::string_view::npos)
        return false;
    return std::find(kOptionsWithInlineValue.begin(), kOptionsWithInlineValue.end(),
               name.substr(0, equals))
        != kOptionsWithInlineValue.end();
}

CommandLine Refused(CommandLineProblem problem, std::string_view argument)
{
    return CommandLine { CommandLineRequest::Refused, problem, std::string(argument) };
}

bool NamesCroatian(std::string_view locale)
{
    return locale.starts_with("hr")
        && (locale.size() == 2 || locale[2] == '_' || locale[2] == '.' || locale[2] == '@');
}

// --- texts ------------------------------------------------------------------------------------

constexpr std::string_view kProgramName = "varn";

std::string Quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

std::string ProblemText(Language language, const CommandLine& commandLine)
{
    const std::string argument = Quoted(commandLine.argument);
    const bool croatian = language == Language::Croatian;
    switch (commandLine.problem) {
    case CommandLineProblem::UnknownOption:
        return croatian ? "nepoznata opcija " + argument : "unknown option " + argument;
    case CommandLineProblem::MissingValue:
        return croatian ? "opciji " + argument + " nedostaje vrijednost"
                        : "option " + argument + " needs a value";
    case CommandLineProblem::UnexpectedArgument:
        return croatian ? "suvišan argument " + argument : "unexpected argument " + argument;
    case CommandLineProblem::None:
        break;
    }
    return croatian ? "pogrešan poziv" : "wrong command line";
}

} // namespace

CommandLine ReadCommandLine(std::span<const char* const> arguments)
{
    bool operandsOnly = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i] != nullptr ? arguments[i] : "";
        if (operandsOnly || argument.size() < 2 || argument.front() != '-')
            return Refused(CommandLineProblem::UnexpectedArgument, argument);
        if (argument == "--") {
            operandsOnly = true;
            continue;
        }
        if (argument == "--help" || argument == "-h")
            return CommandLine { CommandLineRequest::Help, CommandLineProblem::None, {} };
        if (argument == "--version")
            return CommandLine { CommandLineRequest::Version, CommandLineProblem::None, {} };
        // The toolkit reads "--name" as "-name".
        std::string_view name = argument.substr(argument.starts_with("--") ? 2 : 1);
        if (IsInlineValueForm(name))
            continue;
        const ToolkitOption* option = FindToolkitOption(name);
        if (option == nullptr)
            return Refused(CommandLineProblem::UnknownOption, argument);
        if (option->takesValue == TakesValue::Yes) {
            if (i + 1 == arguments.size())
                return Refused(CommandLineProblem::MissingValue, argument);
            ++i;
        }
    }
    return CommandLine {};
}

Language MessageLanguage(const char* lcAll, const char* lcMessages, const char* lang)
{
    for (const char* value : { lcAll, lcMessages, lang }) {
        if (value != nullptr && *value != '\0')
            return NamesCroatian(value) ? Language::Croatian : Language::English;
    }
    return Language::English;
}

ProgramFiles ProgramFilesInUse()
{
    ProgramFiles files;
    if (const auto program = platform::OwnProgramPath())
        files.environmentFile = platform::EnvironmentFilePath(*program);
    if (const auto profile = platform::ProfileFilePath())
        files.profileFile = *profile;
    return files;
}

std::string HelpText(Language language, const ProgramFiles& files)
{
    const bool croatian = language == Language::Croatian;
    const std::string unknown = croatian ? "(nepoznato)" : "(unknown)";
    const std::string& environmentFile
        = files.environmentFile.empty() ? unknown : files.environmentFile;
    const std::string& profileFile = files.profileFile.empty() ? unknown : files.profileFile;
    if (croatian) {
        return "Uporaba: varn [OPCIJA]...\n"
               "Oblikuje kontrolni broj (SHA-1) upisanog teksta ili odabrane datoteke, prikazuje\n"
               "ga i zapisuje u datoteku HASHBROJ.TXT.\n"
               "\n"
               "Opcije:\n"
               "  -h, --help     prikaži ovu pomoć i izađi\n"
               "      --version  prikaži inačicu i izađi\n"
               "Prihvaćaju se i opcije alata Qt, na primjer -platform IME, -display ZASLON,\n"
               "-style STIL, -qwindowgeometry ŠIRINAxVISINA+X+Y, -reverse.\n"
               "\n"
               "Datoteke:\n"
               "  HASHBROJ.TXT  posljednji oblikovani kontrolni broj, u radnoj mapi (mapi iz\n"
               "                koje je program pokrenut)\n"
               "  varn.ENV      postavke jezika i zemlje, nije obavezna, uz sam program:\n"
               "                "
            + environmentFile
            + "\n"
              "  win.ini       postavke sustava (WIN.INI): $VARN_WIN_INI, inače\n"
              "                $XDG_CONFIG_HOME/varn/win.ini (~/.config/varn/win.ini); sada:\n"
              "                "
            + profileFile + "\n";
    }
    return "Usage: varn [OPTION]...\n"
           "Forms the control number (SHA-1) of a typed text or of a chosen file, shows it and\n"
           "writes it to the file HASHBROJ.TXT.\n"
           "\n"
           "Options:\n"
           "  -h, --help     show this help and exit\n"
           "      --version  show the version and exit\n"
           "The options of the Qt toolkit are accepted too, for example -platform NAME,\n"
           "-display DISPLAY, -style STYLE, -qwindowgeometry WIDTHxHEIGHT+X+Y, -reverse.\n"
           "\n"
           "Files:\n"
           "  HASHBROJ.TXT  the last control number formed, in the working directory (the one\n"
           "                the program was started from)\n"
           "  varn.ENV      language and country settings, optional, beside the program itself:\n"
           "                "
        + environmentFile
        + "\n"
          "  win.ini       system settings (WIN.INI): $VARN_WIN_INI, else\n"
          "                $XDG_CONFIG_HOME/varn/win.ini (~/.config/varn/win.ini); now:\n"
          "                "
        + profileFile + "\n";
}

std::string VersionText(Language language)
{
    const std::string_view library
        = language == Language::Croatian ? "biblioteka za sažetke" : "hashing library";
    return std::string(kProgramName) + " " VARN_VERSION "\n" + std::string(library)
        + ": libpelnix " VARN_HASHING_LIBRARY_VERSION "\n";
}

std::string UsageText(Language language, const CommandLine& commandLine)
{
    const std::string problem
        = std::string(kProgramName) + ": " + ProblemText(language, commandLine) + "\n";
    if (language == Language::Croatian) {
        return problem
            + "Uporaba: varn [--help | --version] [opcije alata Qt]\n"
              "Više o tome: varn --help\n";
    }
    return problem
        + "Usage: varn [--help | --version] [Qt toolkit options]\n"
          "Try 'varn --help' for more information.\n";
}

std::optional<int> AnswerCommandLine(
    std::span<const char* const> arguments, std::ostream& out, std::ostream& err)
{
    const CommandLine commandLine = ReadCommandLine(arguments);
    if (commandLine.request == CommandLineRequest::Run)
        return std::nullopt;
    const Language language
        = MessageLanguage(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
    if (commandLine.request == CommandLineRequest::Refused) {
        err << UsageText(language, commandLine) << std::flush;
        return kUsageExitCode;
    }
    out << (commandLine.request == CommandLineRequest::Help
            ? HelpText(language, ProgramFilesInUse())
            : VersionText(language))
        << std::flush;
    // A full disk or a closed pipe is a failure, not a success nobody saw.
    return out ? 0 : 1;
}

} // namespace app
