#include <value/Module.h>

#include <gtest/gtest.h>

#include <cfenv>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using value::InitEntry;
using value::kInitialise;
using value::ModuleRegistry;
using value::ProgramDescriptor;
using Log = std::vector<std::string>;

// Routines are plain function pointers, so what they record goes to one log per process that
// the fixture empties before every test.
Log& Calls()
{
    static Log calls;
    return calls;
}

Log& Notices()
{
    static Log notices;
    return notices;
}

template<char Name> void Routine(int phase)
{
    Calls().push_back(std::string(phase == kInitialise ? "init " : "term ") + Name);
}

template<char Name> void Step()
{
    Calls().push_back(std::string("step ") + Name);
}

void CaptureNotice(std::string_view /*title*/, std::string_view text)
{
    Notices().emplace_back(text);
}

InitEntry Entry(std::int32_t level, value::ModuleRoutine routine)
{
    return InitEntry { level, routine, routine };
}

ProgramDescriptor Describe(const std::vector<InitEntry>& table)
{
    ProgramDescriptor descriptor;
    descriptor.initialisers = table;
    return descriptor;
}

class ModuleTest : public testing::Test {
protected:
    void SetUp() override
    {
        Calls().clear();
        Notices().clear();
    }

    ModuleRegistry m_registry { &CaptureNotice };
};

TEST_F(ModuleTest, RegistrationLinksNewestFirstAndKeepsTheFirstHandle)
{
    ProgramDescriptor program;
    ProgramDescriptor library;
    m_registry.RegisterModule(program, 0);
    m_registry.RegisterModule(library, 0x5000);

    // 0 stands for the executable itself, and the first handle becomes the instance handle.
    const platform::ModuleHandle own = platform::OwnModuleHandle();
    EXPECT_EQ(m_registry.InstanceHandle(), own);
    EXPECT_EQ(program.moduleHandle, own);
    EXPECT_EQ(program.previous, nullptr);
    EXPECT_EQ(library.moduleHandle, 0x5000u);
    EXPECT_EQ(library.previous, &program);

    const value::ModuleRecord* head = m_registry.Head();
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->descriptor, &library);
    EXPECT_EQ(head->handle, 0x5000u);
    ASSERT_NE(head->next, nullptr);
    EXPECT_EQ(head->next->descriptor, &program);
    EXPECT_EQ(head->next->handle, own);
    EXPECT_EQ(head->next->next, nullptr);
}

TEST_F(ModuleTest, AnExplicitFirstHandleBecomesTheInstanceHandle)
{
    ProgramDescriptor first;
    ProgramDescriptor second;
    m_registry.RegisterModule(first, 0x7000);
    m_registry.RegisterModule(second, 0);
    EXPECT_EQ(m_registry.InstanceHandle(), 0x7000u);
    EXPECT_EQ(second.moduleHandle, platform::OwnModuleHandle());
}

TEST_F(ModuleTest, FixUpReplacesOnlySlotsThatNameAnImportSlot)
{
    const std::uintptr_t imports[3] = { 0x1111, 0x2222, 0x3333 };
    const auto importAt = [&](std::size_t byteOffset) {
        return reinterpret_cast<std::uintptr_t>(imports) + byteOffset;
    };
    constexpr std::size_t kSlot = sizeof(std::uintptr_t);

    std::uintptr_t header[] = {
        importAt(kSlot),     // the second import slot: replaced
        importAt(3 * kSlot), // just past the last import slot: kept
        importAt(0) - 1,     // just before the first: kept
        42,                  // an ordinary routine address: kept
        importAt(0),         // the first import slot: replaced
        importAt(2 * kSlot), // outside the range's length: kept
    };
    std::uintptr_t methods[] = {
        importAt(2 * kSlot),     // the last import slot: replaced
        importAt(2 * kSlot + 1), // inside the last slot, not at its start: that slot
        importAt(3 * kSlot) - 1, // the last byte of the range: still the last slot
    };
    const std::uintptr_t unchangedTail = header[5];

    const value::ClassRecordRange records[] = {
        { header, 5 * kSlot },
        { methods, sizeof methods },
    };
    ProgramDescriptor descriptor;
    descriptor.classRecords = records;
    descriptor.imports = imports;
    m_registry.RegisterModule(descriptor, 0);

    using Slots = std::vector<std::uintptr_t>;
    EXPECT_EQ(Slots(std::begin(header), std::end(header)),
        (Slots { 0x2222, importAt(3 * kSlot), importAt(0) - 1, 42, 0x1111, unchangedTail }));
    EXPECT_EQ(Slots(std::begin(methods), std::end(methods)), (Slots { 0x3333, 0x3333, 0x3333 }));
}

TEST_F(ModuleTest, InitialisersRunDownFrom255AndTerminatorsUpFrom0)
{
    struct Case {
        const char* what;
        std::vector<InitEntry> table;
        Log startUp; // calls made by registration
        Log end;     // calls made by FinishProgram
    };
    const auto a = &Routine<'a'>;
    const auto b = &Routine<'b'>;
    const auto c = &Routine<'c'>;
    const auto d = &Routine<'d'>;
    const Case cases[] = {
        { "one level in table order, the end in reverse",
            { Entry(16, c), Entry(255, a), Entry(16, d), Entry(150, b) },
            { "init a", "init b", "init c", "init d" },
            { "term d", "term c", "term b", "term a" } },
        { "level 1 is still initialised; unused levels are skipped", { Entry(1, b), Entry(255, a) },
            { "init a", "init b" }, { "term b", "term a" } },
        { "level 0 is never initialised but terminated first", { Entry(5, a), Entry(0, b) },
            { "init a" }, { "term b", "term a" } },
        { "a table of level 0 alone", { Entry(0, a) }, {}, { "term a" } },
        { "negative levels never run", { Entry(-1, a), Entry(5, b) }, { "init b" }, { "term b" } },
        { "levels above 255 never run", { Entry(256, a), Entry(5, b) }, { "init b" },
            { "term b" } },
        { "a null half is skipped, the other half runs",
            { InitEntry { 7, nullptr, a }, InitEntry { 7, b, nullptr } }, { "init b" },
            { "term a" } },
        { "an empty table", {}, {}, {} },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        ModuleRegistry registry(&CaptureNotice);
        ProgramDescriptor descriptor = Describe(test.table);
        Calls().clear();
        registry.RegisterModule(descriptor, 0);
        EXPECT_EQ(Calls(), test.startUp);
        Calls().clear();
        registry.FinishProgram();
        EXPECT_EQ(Calls(), test.end);
    }
}

TEST_F(ModuleTest, HandshakeAcceptsTheOwnVersionWithAnyBuild)
{
    // The build number is recorded, never checked.
    for (const std::uint32_t build : { 0u, 7u }) {
        SCOPED_TRACE(build);
        ModuleRegistry registry(&CaptureNotice);
        EXPECT_TRUE(registry.CheckRuntimeVersion(0x105, 0, build));
        EXPECT_EQ(registry.Version(), (value::RuntimeVersion { 5, 0, build }));
    }
    EXPECT_TRUE(Notices().empty());
}

TEST_F(ModuleTest, HandshakeRefusesEveryOtherVersionWithANotice)
{
    struct Case {
        std::uint32_t word;
        std::uint32_t minor;
        std::uint32_t build;
        const char* notice;
    };
    const char* const kPreRelease
        = "This program was built with a pre-release runtime; this runtime is version 5.000.00.";
    const Case cases[] = {
        { 0x105, 1, 0,
            "This program needs runtime version 5.001.00; this runtime is version 5.000.00." },
        { 0x106, 0, 0,
            "This program needs runtime version 6.000.00; this runtime is version 5.000.00." },
        { 0x104, 12, 3,
            "This program needs runtime version 4.012.03; this runtime is version 5.000.00." },
        // Differs only above the low four bits, which the notice does not show.
        { 0x115, 0, 0,
            "This program needs runtime version 5.000.00; this runtime is version 5.000.00." },
        // Without the released bit the notice speaks of a pre-release build instead.
        { 0x005, 0, 0, kPreRelease },
        { 0x006, 2, 1, kPreRelease },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << test.word << " minor " << test.minor);
        ModuleRegistry registry(&CaptureNotice);
        Notices().clear();
        EXPECT_FALSE(registry.CheckRuntimeVersion(test.word, test.minor, test.build));
        EXPECT_EQ(Notices(), Log { test.notice });
        EXPECT_EQ(registry.Version(), value::RuntimeVersion {});
    }
}

int g_roundingInMain = -1;

void MainChecksRounding()
{
    g_roundingInMain = std::fegetround();
    Step<'m'>();
}

TEST_F(ModuleTest, RunProgramRunsMainBetweenStartUpAndTheEnd)
{
    const std::vector<InitEntry> table { Entry(5, &Routine<'a'>) };
    ProgramDescriptor descriptor = Describe(table);
    g_roundingInMain = -1;
    std::fesetround(FE_UPWARD);

    const int exitCode = m_registry.RunProgram(descriptor, {}, &MainChecksRounding, &Step<'s'>);
    std::fesetround(FE_TONEAREST);

    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(Calls(), (Log { "init a", "step m", "step s", "term a" }));
    EXPECT_EQ(g_roundingInMain, FE_TONEAREST);
    EXPECT_EQ(m_registry.Head(), nullptr);
    EXPECT_TRUE(Notices().empty());
}

TEST_F(ModuleTest, RunProgramWithARefusedVersionSkipsMainButStillEnds)
{
    const std::vector<InitEntry> table { Entry(5, &Routine<'a'>) };
    ProgramDescriptor descriptor = Describe(table);

    const int exitCode = m_registry.RunProgram(descriptor, { 0x106, 0, 0 }, &Step<'m'>, &Step<'s'>);

    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(Calls(), (Log { "init a", "term a" }));
    EXPECT_EQ(Notices().size(), 1u);
    EXPECT_EQ(m_registry.Head(), nullptr);
}

ModuleRegistry* g_ending = nullptr;

void HandlerSeesTheEnd()
{
    Calls().push_back(g_ending->IsEnding() ? "ending" : "not ending");
}

void HandlerRegistersAnother()
{
    Step<'r'>();
    g_ending->RegisterExitHandler(&Step<'n'>);
}

TEST_F(ModuleTest, ExitHandlersRunNewestFirstAndOnlyOnce)
{
    const std::vector<InitEntry> table { Entry(5, &Routine<'a'>) };
    ProgramDescriptor descriptor = Describe(table);
    m_registry.RegisterModule(descriptor, 0);
    g_ending = &m_registry;
    m_registry.RegisterExitHandler(&Step<'1'>);
    m_registry.RegisterExitHandler(&HandlerRegistersAnother);
    m_registry.RegisterExitHandler(&Step<'3'>);
    m_registry.RegisterExitHandler(&HandlerSeesTheEnd);
    Calls().clear();
    EXPECT_FALSE(m_registry.IsEnding());

    m_registry.FinishProgram();
    // A handler added while handlers run still runs, before the older ones.
    EXPECT_EQ(Calls(), (Log { "ending", "step 3", "step r", "step n", "step 1", "term a" }));

    Calls().clear();
    m_registry.RegisterExitHandler(&Step<'4'>);
    m_registry.FinishProgram();
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(m_registry.IsEnding());
    g_ending = nullptr;
}

TEST_F(ModuleTest, ExitHandlersRunWithNoModuleRegistered)
{
    m_registry.RegisterExitHandler(&Step<'1'>);
    m_registry.FinishProgram();
    EXPECT_EQ(Calls(), Log { "step 1" });
}

TEST_F(ModuleTest, ARecordWithoutDescriptorIsUnlinkedWithoutTerminators)
{
    const std::vector<InitEntry> table { Entry(5, &Routine<'a'>) };
    ProgramDescriptor descriptor = Describe(table);
    m_registry.RegisterModule(descriptor, 0);
    // Stands for a module whose descriptor is gone by the time the program ends.
    m_registry.Head()->descriptor = nullptr;
    Calls().clear();

    m_registry.FinishProgram();
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(m_registry.Head(), nullptr);
}

TEST_F(ModuleTest, TheEndUnregistersOnlyTheProgramsModule)
{
    const std::vector<InitEntry> programTable { Entry(5, &Routine<'p'>) };
    const std::vector<InitEntry> libraryTable { Entry(16, &Routine<'l'>) };
    ProgramDescriptor program = Describe(programTable);
    ProgramDescriptor library = Describe(libraryTable);
    m_registry.RegisterModule(program, 0);
    m_registry.RegisterModule(library, 0x5000);
    Calls().clear();

    m_registry.FinishProgram();
    EXPECT_EQ(Calls(), Log { "term p" });
    const value::ModuleRecord* head = m_registry.Head();
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->descriptor, &library);
    EXPECT_EQ(head->next, nullptr);
}

void PrintTermination(int phase)
{
    if (phase == value::kTerminate)
        std::fputs("terminated\n", stderr);
}

[[noreturn]] void RegisterThenExit(int exitCode)
{
    static const InitEntry kTable[] = { Entry(5, &PrintTermination) };
    static ProgramDescriptor descriptor;
    descriptor.initialisers = kTable;
    value::RegisterModule(descriptor, 0);
    value::ExitProgram(exitCode);
}

TEST(ExitProgramDeathTest, FinishesTheProgramThenEndsTheProcessWithTheCode)
{
    EXPECT_EXIT(RegisterThenExit(3), testing::ExitedWithCode(3), "terminated");
}

} // namespace
