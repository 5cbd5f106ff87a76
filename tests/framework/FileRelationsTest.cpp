#include "FileManagerFakes.h"

#include <files/ErrorState.h>
#include <files/FileOps.h>
#include <framework/FileManager.h>
#include <framework/FileRelations.h>
#include <value/StringStack.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

using framework::FileManager;
using framework::FileRelations;

namespace {

/// A file manager that needs no file: it logs each Open and Close under its name and answers
/// what the test says. Not lazy, so EnsureOpen has nothing to do.
class LoggingManager : public FileManager {
public:
    LoggingManager(std::string ownName, std::vector<std::string>& sharedLog)
        : m_name(std::move(ownName))
        , m_log(sharedLog)
    {
        info.emplace();
        lazyOpen = 0;
    }

    std::uint32_t Open() override
    {
        m_log.push_back("open " + m_name);
        return openResult;
    }
    std::uint32_t Close() override
    {
        m_log.push_back("close " + m_name);
        return closeResult;
    }

    std::uint32_t openResult = 0;
    std::uint32_t closeResult = 0;

private:
    std::string m_name;
    std::vector<std::string>& m_log;
};

/// Managers and relation managers by name, relations between them as the test declares.
class Graph {
public:
    FileRelations& Add(const std::string& name)
    {
        auto& manager = m_managers[name] = std::make_unique<LoggingManager>(name, log);
        auto& relations = m_relations[name] = std::make_unique<FileRelations>();
        relations->Setup(manager.get(), 1);
        return *relations;
    }
    void Relate(const std::string& from, const std::string& to)
    {
        m_relations.at(from)->AddRelation(m_relations.at(to).get());
    }
    LoggingManager& Manager(const std::string& name) { return *m_managers.at(name); }
    FileRelations& Relations(const std::string& name) { return *m_relations.at(name); }

    std::vector<std::string> log;

private:
    std::map<std::string, std::unique_ptr<LoggingManager>> m_managers;
    std::map<std::string, std::unique_ptr<FileRelations>> m_relations;
};

using Log = std::vector<std::string>;

TEST(FileRelations, APassReachesEachFileOnce)
{
    // A -> B -> D, A -> C -> D, and D -> A closing a cycle.
    Graph graph;
    for (const char* name : { "A", "B", "C", "D" })
        graph.Add(name);
    graph.Relate("A", "B");
    graph.Relate("A", "C");
    graph.Relate("B", "D");
    graph.Relate("C", "D");
    graph.Relate("D", "A");

    EXPECT_EQ(graph.Relations("A").Open(0), 0U);
    EXPECT_EQ(graph.log, (Log { "open A", "open B", "open D", "open C" }));

    graph.log.clear();
    EXPECT_EQ(graph.Relations("A").Close(0), 0U);
    EXPECT_EQ(graph.log, (Log { "close A", "close B", "close D", "close C" }))
        << "a new top-level call is a new pass";

    graph.log.clear();
    EXPECT_EQ(graph.Relations("C").Open(0), 0U);
    EXPECT_EQ(graph.log, (Log { "open C", "open D", "open A", "open B" }));
    EXPECT_EQ(graph.Relations("A").lastTouched, graph.Relations("C").lastTouched);

    // Reached in a cascade of the pass that touched it last: nothing happens.
    graph.log.clear();
    EXPECT_EQ(graph.Relations("B").Open(1), 0U);
    EXPECT_TRUE(graph.log.empty());
}

struct CascadeCase {
    const char* name;
    bool close;
    std::map<std::string, std::uint32_t> results; // what each manager answers
    std::uint32_t answer;
    Log log;
};

void PrintTo(const CascadeCase& c, std::ostream* os)
{
    *os << c.name;
}

class FileRelationsCascade : public testing::TestWithParam<CascadeCase> { };

TEST_P(FileRelationsCascade, StopsAtTheFirstNonZeroResult)
{
    const CascadeCase& c = GetParam();
    // A -> B -> D, A -> C.
    Graph graph;
    for (const char* name : { "A", "B", "C", "D" })
        graph.Add(name);
    graph.Relate("A", "B");
    graph.Relate("A", "C");
    graph.Relate("B", "D");
    for (const auto& [name, result] : c.results)
        (c.close ? graph.Manager(name).closeResult : graph.Manager(name).openResult) = result;

    FileRelations& top = graph.Relations("A");
    EXPECT_EQ(c.close ? top.Close(0) : top.Open(0), c.answer);
    EXPECT_EQ(graph.log, c.log);
}

INSTANTIATE_TEST_SUITE_P(Results, FileRelationsCascade,
    testing::Values(
        CascadeCase { "open_all", false, {}, 0, { "open A", "open B", "open D", "open C" } },
        // The file itself fails: nothing related is opened, and the failure is answered.
        CascadeCase { "open_self_fails", false, { { "A", 3 } }, 3, { "open A" } },
        // A related file deep in the first branch fails: the second branch is not reached.
        CascadeCase {
            "open_nested_fails", false, { { "D", 5 } }, 5, { "open A", "open B", "open D" } },
        CascadeCase { "open_last_fails", false, { { "C", 4 } }, 4,
            { "open A", "open B", "open D", "open C" } },
        CascadeCase { "close_all", true, {}, 0, { "close A", "close B", "close D", "close C" } },
        CascadeCase { "close_related_fails", true, { { "B", 5 } }, 5, { "close A", "close B" } }),
    [](const testing::TestParamInfo<CascadeCase>& row) { return std::string(row.param.name); });

TEST(FileRelations, TeardownIsOverriddenToTearDownTheManagerFirst)
{
    std::vector<std::string> log;
    struct OwningRelations : FileRelations {
        explicit OwningRelations(std::vector<std::string>& sharedLog)
            : m_log(sharedLog)
        {
        }
        void Teardown() override
        {
            m_log.push_back(me->info ? "manager up" : "manager down");
            me->Teardown();
            FileRelations::Teardown();
            m_log.push_back(relations ? "relations up" : "relations down");
        }
        std::vector<std::string>& m_log;
    };
    LoggingManager manager("A", log);
    OwningRelations owning(log);
    owning.Setup(&manager, 1);
    EXPECT_EQ(owning.useLogout, 1);
    FileRelations related;
    related.Setup(&manager, 1);
    owning.AddRelation(&related);

    FileRelations& base = owning;
    base.Teardown();
    EXPECT_EQ(log, (Log { "manager up", "relations down" }));
    EXPECT_FALSE(manager.info.has_value());
    related.Teardown();
}

// The program's own use: the result file opened through its relation manager at a window's
// start, with a lazy manager and the file missing.
class FileRelationsOnDisk : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_directory.Path().empty());
        m_cwd.emplace(m_directory.Path());
        files::ClearErrorState();
        value::ResetStringStack();
        errors.Setup();
    }
    void TearDown() override
    {
        relations.Teardown();
        manager.Teardown();
        files::UsedFileList::CloseAll();
        errors.Teardown();
        m_cwd.reset();
    }

    testsupport::TempDirectory m_directory;
    std::optional<testsupport::ScopedCurrentDirectory> m_cwd;
    testsupport::ScopedEnvironment m_noProfile { "VARN_WIN_INI", "/nonexistent/win.ini" };
    /// Declarations outlive the test body: the used-file list names them until TearDown.
    filetest::Declaration& Declare(std::string name, std::uint8_t attributes)
    {
        return m_declarations.emplace_back(std::move(name), attributes);
    }

    std::deque<filetest::Declaration> m_declarations;
    filetest::RecordingErrorManager errors;
    FileManager manager;
    FileRelations relations;
};

TEST_F(FileRelationsOnDisk, ATopLevelOpenReallyOpensALazyFile)
{
    filetest::Declaration& file = Declare("HASHBROJ.TXT",
        files::DeclarationAttributes::kCreate | files::DeclarationAttributes::kThread
            | files::DeclarationAttributes::kOem);
    manager.Setup(file.Get(), &errors);
    relations.Setup(&manager, 1);

    EXPECT_EQ(relations.Open(0), 0U);
    EXPECT_TRUE(std::filesystem::exists(m_directory / "HASHBROJ.TXT")) << "created when missing";
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(manager.SelectInfo()->opened, 1);

    // A cascade that reaches the file in a later pass only counts the request.
    FileRelations top;
    filetest::Declaration& other = Declare("OTHER.TXT", files::DeclarationAttributes::kCreate);
    FileManager otherManager;
    otherManager.Setup(other.Get(), &errors);
    top.Setup(&otherManager, 1);
    top.AddRelation(&relations);
    EXPECT_EQ(top.Open(0), 0U);
    EXPECT_EQ(manager.SelectInfo()->opened, 2);

    EXPECT_EQ(top.Close(0), 0U);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(relations.Close(0), 0U);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(errors.boxes.empty());
    top.Teardown();
    otherManager.Teardown();
}

TEST_F(FileRelationsOnDisk, AFailedTopLevelOpenIsAnswered)
{
    // The declaration may not create, the manager is eager: message 10, and the relation
    // manager answers the failure rather than the EnsureOpen that follows a success.
    filetest::Declaration& file = Declare("NEW.TXT", 0);
    manager.Setup(file.Get(), &errors);
    manager.lazyOpen = 0;
    relations.Setup(&manager, 1);
    EXPECT_EQ(relations.Open(0), 3U);
    EXPECT_EQ(errors.Titles(), std::vector<std::string> { "File Creation Error" });
}

} // namespace
