#pragma once

#include <platform/Process.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace value {

/// Called with 0 to initialise and with 1 to terminate. In this program the initialiser and
/// terminator of an entry are the same routine.
using ModuleRoutine = void (*)(int phase);

inline constexpr int kInitialise = 0;
inline constexpr int kTerminate = 1;

/// One row of a module's initialiser table. Levels run from 255 down at start-up and from 0
/// up at the end; a level of 0 or below is never initialised, above 255 never terminated.
struct InitEntry {
    std::int32_t level = 0;
    ModuleRoutine initialiser = nullptr;
    ModuleRoutine terminator = nullptr;
};

/// A run of method slots of one class record. A slot holding the address of an import slot is
/// replaced at registration by what that import slot holds.
struct ClassRecordRange {
    std::uintptr_t* start = nullptr;
    std::size_t lengthInBytes = 0;
};

/// The static record a program module hands to the runtime at entry.
struct ProgramDescriptor {
    ProgramDescriptor* previous = nullptr;          ///< set at registration
    std::span<const InitEntry> initialisers;        ///< the initialiser table
    platform::ModuleHandle moduleHandle = 0;        ///< set at registration
    std::span<const ClassRecordRange> classRecords; ///< every class record of the module
    std::span<const std::uintptr_t> imports;        ///< the module's import slots
};

/// The runtime's record of one registered module; the list's head is the newest.
struct ModuleRecord {
    ModuleRecord* next = nullptr;
    platform::ModuleHandle handle = 0;
    ProgramDescriptor* descriptor = nullptr;
};

/// The version word a program passes; the runtime accepts exactly this with minor number 0.
inline constexpr std::uint32_t kRuntimeVersionWord = 0x105;

/// The version a program was accepted with, kept for later queries. All 0 until a program
/// passes the handshake.
struct RuntimeVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;

    bool operator==(const RuntimeVersion&) const = default;
};

/// Runs while the program ends, before its module's terminators.
using ExitHandler = void (*)();

/// Shows a stop notice with no owner and waits until it is dismissed.
using StopNoticeSink = void (*)(std::string_view title, std::string_view text);

/// Installs the process's stop notice (the window layer installs its message box) and answers
/// the one it replaces. Null restores platform::ShowStopNotice, which writes to standard error.
StopNoticeSink SetStopNoticeHook(StopNoticeSink sink);

/// Shows a stop notice through the installed one.
void ShowStopNotice(std::string_view title, std::string_view text);

/// What the program's entry hands to the version handshake.
struct ProgramEntryOptions {
    std::uint32_t versionWord = kRuntimeVersionWord;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
};

/// The runtime's process state from entry to end: the registered modules, the instance
/// handle, the accepted version and the exit handlers. The program uses the one instance that
/// Runtime() answers; tests make their own.
class ModuleRegistry {
public:
    /// Null `showStopNotice`: the process's stop notice as installed when a notice is shown.
    explicit ModuleRegistry(StopNoticeSink showStopNotice = nullptr);
    ~ModuleRegistry();
    ModuleRegistry(const ModuleRegistry&) = delete;
    ModuleRegistry& operator=(const ModuleRegistry&) = delete;

    /// Links the module in as the newest and runs its initialisers. A handle of 0 stands for
    /// the process's own executable; the first handle ever registered becomes the instance
    /// handle. Sets the descriptor's `previous` and `moduleHandle`, rewrites the class-record
    /// slots that name one of the module's import slots, then calls every initialiser of level
    /// 255 down to 1, a level in table order. Null initialisers are skipped.
    void RegisterModule(ProgramDescriptor& descriptor, platform::ModuleHandle handle);

    /// The version handshake. Accepts exactly kRuntimeVersionWord with minor 0 (any build) and
    /// records the version; otherwise shows a stop notice naming both versions and answers
    /// false, recording nothing.
    [[nodiscard]] bool CheckRuntimeVersion(
        std::uint32_t versionWord, std::uint32_t minor, std::uint32_t build);

    /// Adds a handler; the handlers run in reverse order of registration when the program ends.
    void RegisterExitHandler(ExitHandler handler);

    /// The program's end short of ending the process. Marks the process as ending; the first
    /// call alone then runs the exit handlers (newest first) and unregisters the program's
    /// module (the one registered under the instance handle): it is unlinked, its terminators
    /// run from level 0 up to 255, a level in reverse table order, and its record is freed.
    /// A record without a descriptor is only unlinked and freed. Later calls do nothing more.
    void FinishProgram();

    /// The process entry short of ending the process: resets the floating-point environment,
    /// registers the program's module under the process's own handle and, when the handshake
    /// accepts the version, runs programMain and then runtimeShutdown. The program then
    /// finishes (FinishProgram). Answers the exit code, which is 0 whether or not the
    /// handshake passed.
    int RunProgram(ProgramDescriptor& descriptor, const ProgramEntryOptions& options,
        void (*programMain)(), void (*runtimeShutdown)());

    /// The registered modules, newest first. The records stay the registry's.
    ModuleRecord* Head() { return m_head; }
    const ModuleRecord* Head() const { return m_head; }

    platform::ModuleHandle InstanceHandle() const { return m_instanceHandle; }
    RuntimeVersion Version() const { return m_version; }

    /// True from the moment the program starts to end; other threads may ask.
    bool IsEnding() const { return m_ending.load(); }

private:
    /// Removes the first record with the handle from the list and answers it, or null.
    ModuleRecord* Unlink(platform::ModuleHandle handle);

    StopNoticeSink m_showStopNotice;
    ModuleRecord* m_head = nullptr;
    platform::ModuleHandle m_instanceHandle = 0;
    RuntimeVersion m_version;
    std::vector<ExitHandler> m_exitHandlers;
    std::atomic<bool> m_ending { false };
    std::atomic<bool> m_exitSequenceDone { false };
};

/// The registry of this process. It lives until the process ends, so a fault reported from a
/// static destructor can still end the program cleanly.
ModuleRegistry& Runtime();

/// The operations below act on Runtime(); see ModuleRegistry for their contracts.
void RegisterModule(ProgramDescriptor& descriptor, platform::ModuleHandle handle);
[[nodiscard]] bool CheckRuntimeVersion(
    std::uint32_t versionWord, std::uint32_t minor, std::uint32_t build);
void RegisterExitHandler(ExitHandler handler);
void FinishProgram();
int RunProgram(ProgramDescriptor& descriptor, const ProgramEntryOptions& options,
    void (*programMain)(), void (*runtimeShutdown)());

/// Finishes the program and ends the process with the exit code. Called again while the
/// program is finishing (a fault in a terminator), it ends the process at once.
[[noreturn]] void ExitProgram(int exitCode);

} // namespace value
