#include <window/StringPool.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace window;

namespace {

TEST(StringPoolTest, EqualTextsAreStoredOnce)
{
    StringPool pool;
    std::string first = "Copy item to Windows Clipboard";
    const PooledText a = pool.Intern(first);
    first.assign("overwritten, as a freed descriptor block would be");
    const PooledText b = pool.Intern("Copy item to Windows Clipboard");

    EXPECT_EQ(a.View(), "Copy item to Windows Clipboard") << "the pool keeps its own copy";
    EXPECT_EQ(a.View().data(), b.View().data());
    EXPECT_EQ(pool.Size(), 1u);
    EXPECT_EQ(pool.References("Copy item to Windows Clipboard"), 2u);
    EXPECT_NE(pool.Intern("Copy").View().data(), a.View().data());
}

TEST(StringPoolTest, LastReferenceDropsTheText)
{
    StringPool pool;
    {
        const PooledText a = pool.Intern("tip");
        PooledText copy = a;
        EXPECT_EQ(pool.References("tip"), 2u);
        PooledText moved = std::move(copy);
        EXPECT_EQ(pool.References("tip"), 2u) << "a move hands the reference over";
        moved = pool.Intern("other");
        EXPECT_EQ(pool.References("tip"), 1u);
        EXPECT_EQ(pool.References("other"), 1u);
    }
    EXPECT_EQ(pool.Size(), 0u);
}

TEST(StringPoolTest, EmptyTextBelongsToNoPool)
{
    StringPool pool;
    const PooledText empty = pool.Intern("");
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(pool.Size(), 0u);
    EXPECT_EQ(empty, PooledText {});
}

TEST(StringPoolTest, ThreadsInternAndReleaseTogether)
{
    StringPool pool;
    const PooledText kept = pool.Intern("text 3");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&pool] {
            for (int round = 0; round < 500; ++round) {
                std::vector<PooledText> held;
                for (int i = 0; i < 8; ++i)
                    held.push_back(pool.Intern("text " + std::to_string(i)));
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(pool.Size(), 1u);
    EXPECT_EQ(pool.References("text 3"), 1u);
    EXPECT_EQ(kept.View(), "text 3");
}

} // namespace
