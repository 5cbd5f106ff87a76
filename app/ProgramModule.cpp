#include "ProgramModule.h"

#include <app/Globals.h>
#include <app/StartupNotices.h>
#include <value/IntlSettings.h>
#include <value/LocaleFile.h>
#include <value/Picture.h>
#include <value/Random.h>
#include <window/Window.h>

#include <chrono>
#include <iostream>
#include <memory>

namespace app {

namespace {

/// Start-up only: readies the static file objects HashFileAccess and HashFileRelate before any
/// other code of the program runs. They are C++ objects whose constructors install their
/// methods, so there is nothing left to do here; ProgramMain sets them up.
void InstallFileObjectMethods(int /*phase*/)
{
}

std::uint32_t TimeSeed()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

/// Start-up only: gives the program globals their first values. The random sequence is seeded
/// once per process, however often the program's module is registered.
void InitialiseProgramGlobals(int phase)
{
    if (phase != value::kInitialise)
        return;
    static bool randomSeeded = false;
    if (!randomSeeded) {
        randomSeeded = true;
        value::SeedRandom(TimeSeed());
        // The international settings (WIN.INI "intl") come first: the locale environment
        // file beside the program may refer to them.
        value::LoadIntlSettings();
        value::BuildWindowsPictures();
        const platform::SystemError localeProblem = value::LoadLocaleEnvironment();
        // A settings file found but not read is worth a word, once; the defaults stand.
        ReportUnusableSettingsFiles(std::cerr, localeProblem);
    }
    DialogFileName.Clear(value::ClearValue::Blank);
    // AppErrors and AppIni get their methods from their constructors: nothing to install.
    ThreadRequest() = 0;
    ThreadResponse() = 0;
    ThreadScrollRequest() = 0;
    ClearHashFileRecord();
}

// Routines 3, 4, 5, 7 and 9, in both phases: store the constructors of the control kinds the
// program's windows use in the runtime's control factory; storing again at the end changes
// nothing.
void RegisterControlKinds(int /*phase*/)
{
    window::RegisterControlKinds();
}

// Routines 6 and 10, termination only: release a dynamic block the runtime handed this module.
// No runtime service hands one out yet, so there is nothing to release.
void ReleaseRuntimeBlock(int /*phase*/)
{
}

/// The framework's shared window structure, declared at start-up and never opened.
std::unique_ptr<window::Window> g_sharedWindow;

/// Start-up: declares the framework's shared window (module "abeip", window "$MULTIWINDOW") as
/// a plain window and keeps it; the program never opens it. The end releases that window (no
/// runtime service hands this module a dynamic block to release with it). Both phases then
/// register the control kinds again.
void DeclareSharedWindow(int phase)
{
    if (phase == value::kInitialise)
        g_sharedWindow = std::make_unique<window::Window>(
            platform::WindowKind::Plain, "abeip", "$MULTIWINDOW");
    else
        g_sharedWindow.reset();
    window::RegisterControlKinds();
}

constexpr value::InitEntry Entry(std::int32_t level, value::ModuleRoutine routine)
{
    return value::InitEntry { level, routine, routine };
}

// Higher levels start earlier and end later. The runtime's own entries (one at 255, two at
// 150, one at 28, the runtime's and framework's modules at 16) go first, one line each, as the
// lower layers gain module state to set up at start-up and release at the end.
constexpr value::InitEntry kInitialisers[] = {
    Entry(kProgramLevel, &InstallFileObjectMethods),
    Entry(kProgramLevel, &InitialiseProgramGlobals),
    Entry(kProgramLevel, &RegisterControlKinds),
    Entry(kProgramLevel, &RegisterControlKinds),
    Entry(kProgramLevel, &RegisterControlKinds),
    Entry(kProgramLevel, &ReleaseRuntimeBlock),
    Entry(kProgramLevel, &RegisterControlKinds),
    Entry(kProgramLevel, &DeclareSharedWindow),
    Entry(kProgramLevel, &RegisterControlKinds),
    Entry(kProgramLevel, &ReleaseRuntimeBlock),
};

// No class records and no imports: C++ classes get their method tables from the compiler and
// calls into other libraries are resolved when the program is linked, so registration has
// nothing to fix up.
value::ProgramDescriptor g_program { nullptr, kInitialisers, 0, {}, {} };

} // namespace

value::ProgramDescriptor& ProgramModule()
{
    return g_program;
}

std::span<const value::InitEntry> ProgramInitialisers()
{
    return kInitialisers;
}

} // namespace app
