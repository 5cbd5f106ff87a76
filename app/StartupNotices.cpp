#include "StartupNotices.h"

#include <platform/Path.h>
#include <platform/Profile.h>

#include <cstdlib>

namespace app {

namespace {

/// Why the file could not be read, in words a user acts on, then the system's number.
std::string Reason(Language language, platform::SystemError error)
{
    const bool croatian = language == Language::Croatian;
    std::string words;
    switch (error) {
    case platform::SystemError::AccessDenied:
        words = croatian ? "čitanje nije dopušteno ili to nije obična datoteka"
                         : "reading it is not allowed, or it is not a regular file";
        break;
    case platform::SystemError::GeneralFailure:
        words = croatian ? "greška pri čitanju" : "read error";
        break;
    default:
        words = platform::SystemErrorName(error);
        break;
    }
    return words + " (" + std::to_string(static_cast<std::uint32_t>(error)) + ")";
}

bool Missing(platform::SystemError error)
{
    return error == platform::SystemError::None || error == platform::SystemError::FileNotFound
        || error == platform::SystemError::PathNotFound;
}

} // namespace

std::string UnusableSettingsNotice(
    Language language, SettingsFile file, std::string_view path, platform::SystemError error)
{
    const std::string reason = Reason(language, error);
    const std::string where(path);
    if (language == Language::Croatian) {
        return file == SettingsFile::Profile ? "varn: datoteka postavki sustava " + where
                + " nije pročitana: " + reason + "; vrijede zadane postavke\n"
                                             : "varn: datoteka postavki jezika i zemlje " + where
                + " nije pročitana: " + reason + "; vrijede zadane postavke\n";
    }
    return file == SettingsFile::Profile ? "varn: the system settings file " + where
            + " was not read: " + reason + "; the defaults are used\n"
                                         : "varn: the language and country settings file " + where
            + " was not read: " + reason + "; the defaults are used\n";
}

void ReportUnusableSettingsFiles(std::ostream& err, platform::SystemError localeProblem)
{
    const Language language
        = MessageLanguage(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
    if (const platform::SystemError problem = platform::ProfileFileProblem();
        problem != platform::SystemError::None) {
        const auto path = platform::ProfileFilePath();
        err << UnusableSettingsNotice(
            language, SettingsFile::Profile, path ? *path : std::string(), problem);
    }
    if (!Missing(localeProblem)) {
        const auto program = platform::OwnProgramPath();
        const std::string path = program ? platform::EnvironmentFilePath(*program) : std::string();
        err << UnusableSettingsNotice(
            language, SettingsFile::LocaleEnvironment, path, localeProblem);
    }
    err << std::flush;
}

} // namespace app
