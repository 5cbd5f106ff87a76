#include "Module.h"

#include <cfenv>
#include <cstdio>
#include <string>

namespace value {

namespace {

/// Start-up begins at this level; the end stops below kLevelBound, so 255 is the highest
/// level that is both initialised and terminated.
constexpr std::int32_t kHighestLevel = 255;
constexpr std::int32_t kLevelBound = 256;

/// The major version is the low four bits of a version word.
constexpr std::uint32_t MajorOf(std::uint32_t versionWord)
{
    return versionWord & 0xF;
}

/// This runtime's own version, named in the handshake's notice.
constexpr std::uint32_t kOwnMajor = MajorOf(kRuntimeVersionWord);
constexpr std::uint32_t kOwnMinor = 0;
constexpr std::uint32_t kOwnBuild = 0;

/// Version words of released runtimes carry this bit; a word without it comes from a
/// pre-release build.
constexpr std::uint32_t kReleasedBit = 0x100;

/// Every program ends with this code, including one whose version was refused.
constexpr int kProgramExitCode = 0;

std::string VersionText(std::uint32_t major, std::uint32_t minor, std::uint32_t build)
{
    char text[40];
    std::snprintf(text, sizeof text, "%u.%03u.%02u", major, minor, build);
    return text;
}

std::string RefusalText(std::uint32_t versionWord, std::uint32_t minor, std::uint32_t build)
{
    const std::string own
        = "; this runtime is version " + VersionText(kOwnMajor, kOwnMinor, kOwnBuild) + ".";
    if ((versionWord & kReleasedBit) == 0)
        return "This program was built with a pre-release runtime" + own;
    return "This program needs runtime version " + VersionText(MajorOf(versionWord), minor, build)
        + own;
}

/// A method slot may name an import slot instead of a routine, when the routine lives in
/// another module: such a slot gets the address the import slot holds. Values are compared as
/// plain integers, so a slot that holds anything else is left as it is.
void FixUpClassRecords(const ProgramDescriptor& descriptor)
{
    if (descriptor.imports.empty())
        return;
    const auto importsStart = reinterpret_cast<std::uintptr_t>(descriptor.imports.data());
    const auto importsEnd = importsStart + descriptor.imports.size_bytes();
    for (const ClassRecordRange& range : descriptor.classRecords) {
        std::span<std::uintptr_t> slots(range.start, range.lengthInBytes / sizeof(std::uintptr_t));
        for (std::uintptr_t& slot : slots) {
            if (slot >= importsStart && slot < importsEnd)
                slot = descriptor.imports[(slot - importsStart) / sizeof(std::uintptr_t)];
        }
    }
}

/// Levels from 255 down to 1; entries of one level in table order. Each pass over the table
/// also finds the next lower level, so levels that no entry uses cost nothing.
void RunInitialisers(std::span<const InitEntry> table)
{
    if (table.empty())
        return;
    std::int32_t level = kHighestLevel;
    for (;;) {
        std::int32_t nextLevel = 0;
        for (const InitEntry& entry : table) {
            if (entry.level == level && entry.initialiser != nullptr)
                entry.initialiser(kInitialise);
            if (entry.level < level && entry.level > nextLevel)
                nextLevel = entry.level;
        }
        if (nextLevel <= 0)
            return;
        level = nextLevel;
    }
}

/// Levels from 0 up to 255; entries of one level in reverse table order, so the end undoes
/// start-up in the opposite order. Negative levels are never reached.
void RunTerminators(std::span<const InitEntry> table)
{
    std::int32_t level = 0;
    for (;;) {
        std::int32_t nextLevel = kLevelBound;
        for (auto entry = table.rbegin(); entry != table.rend(); ++entry) {
            if (entry->level == level && entry->terminator != nullptr)
                entry->terminator(kTerminate);
            if (entry->level > level && entry->level < nextLevel)
                nextLevel = entry->level;
        }
        if (nextLevel >= kLevelBound)
            return;
        level = nextLevel;
    }
}

std::atomic<StopNoticeSink> g_stopNotice { &platform::ShowStopNotice };

} // namespace

StopNoticeSink SetStopNoticeHook(StopNoticeSink sink)
{
    return g_stopNotice.exchange(sink != nullptr ? sink : &platform::ShowStopNotice);
}

void ShowStopNotice(std::string_view title, std::string_view text)
{
    g_stopNotice.load()(title, text);
}

ModuleRegistry::ModuleRegistry(StopNoticeSink showStopNotice)
    : m_showStopNotice(showStopNotice)
{
}

ModuleRegistry::~ModuleRegistry()
{
    while (m_head != nullptr) {
        ModuleRecord* next = m_head->next;
        delete m_head;
        m_head = next;
    }
}

void ModuleRegistry::RegisterModule(ProgramDescriptor& descriptor, platform::ModuleHandle handle)
{
    if (handle == 0)
        handle = platform::OwnModuleHandle();
    if (m_instanceHandle == 0)
        m_instanceHandle = handle;

    descriptor.previous = m_head != nullptr ? m_head->descriptor : nullptr;
    descriptor.moduleHandle = handle;
    m_head = new ModuleRecord { m_head, handle, &descriptor };

    FixUpClassRecords(descriptor);
    RunInitialisers(descriptor.initialisers);
}

bool ModuleRegistry::CheckRuntimeVersion(
    std::uint32_t versionWord, std::uint32_t minor, std::uint32_t build)
{
    if (versionWord == kRuntimeVersionWord && minor == 0) {
        m_version = RuntimeVersion { MajorOf(versionWord), minor, build };
        return true;
    }
    const std::string text = RefusalText(versionWord, minor, build);
    if (m_showStopNotice != nullptr)
        m_showStopNotice("Runtime version", text);
    else
        ShowStopNotice("Runtime version", text);
    return false;
}

void ModuleRegistry::RegisterExitHandler(ExitHandler handler)
{
    m_exitHandlers.push_back(handler);
}

void ModuleRegistry::FinishProgram()
{
    m_ending.store(true);
    if (m_exitSequenceDone.exchange(true))
        return;

    // A handler leaves the list before it runs, so one that registers another still sees
    // every handler run exactly once.
    while (!m_exitHandlers.empty()) {
        ExitHandler handler = m_exitHandlers.back();
        m_exitHandlers.pop_back();
        if (handler != nullptr)
            handler();
    }

    ModuleRecord* program = Unlink(m_instanceHandle);
    if (program == nullptr)
        return;
    if (program->descriptor != nullptr)
        RunTerminators(program->descriptor->initialisers);
    delete program;
}

int ModuleRegistry::RunProgram(ProgramDescriptor& descriptor, const ProgramEntryOptions& options,
    void (*programMain)(), void (*runtimeShutdown)())
{
    // Whatever rounding mode or exception masks the process was started with, the program's
    // arithmetic assumes the defaults.
    std::fesetenv(FE_DFL_ENV);
    RegisterModule(descriptor, 0);
    if (CheckRuntimeVersion(options.versionWord, options.minor, options.build)) {
        programMain();
        runtimeShutdown();
    }
    FinishProgram();
    return kProgramExitCode;
}

ModuleRecord* ModuleRegistry::Unlink(platform::ModuleHandle handle)
{
    for (ModuleRecord** link = &m_head; *link != nullptr; link = &(*link)->next) {
        ModuleRecord* record = *link;
        if (record->handle == handle) {
            *link = record->next;
            record->next = nullptr;
            return record;
        }
    }
    return nullptr;
}

ModuleRegistry& Runtime()
{
    // Never destroyed: ExitProgram may still be reached while static objects are destroyed.
    static auto* registry = new ModuleRegistry();
    return *registry;
}

void RegisterModule(ProgramDescriptor& descriptor, platform::ModuleHandle handle)
{
    Runtime().RegisterModule(descriptor, handle);
}

bool CheckRuntimeVersion(std::uint32_t versionWord, std::uint32_t minor, std::uint32_t build)
{
    return Runtime().CheckRuntimeVersion(versionWord, minor, build);
}

void RegisterExitHandler(ExitHandler handler)
{
    Runtime().RegisterExitHandler(handler);
}

void FinishProgram()
{
    Runtime().FinishProgram();
}

int RunProgram(ProgramDescriptor& descriptor, const ProgramEntryOptions& options,
    void (*programMain)(), void (*runtimeShutdown)())
{
    return Runtime().RunProgram(descriptor, options, programMain, runtimeShutdown);
}

void ExitProgram(int exitCode)
{
    Runtime().FinishProgram();
    platform::EndProcess(exitCode);
}

} // namespace value
