#pragma once

// Helpers the test programs share: a scratch directory, whole-file reads and writes, and an
// environment variable set for a scope.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace testsupport {

/// A fresh directory per test (ctest runs the cases as parallel processes), removed with
/// everything in it at the end of the scope.
class TempDirectory {
public:
    TempDirectory()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern
            = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/varn-test-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    ~TempDirectory()
    {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    std::string operator/(std::string_view name) const { return m_path + "/" + std::string(name); }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

inline void WriteText(const std::string& path, std::string_view text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

inline std::string ReadText(const std::string& path)
{
    std::ifstream stream(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>() };
}

/// The regular files of a fuzzer's corpus directory, in no particular order; empty when the
/// directory is missing.
inline std::vector<std::filesystem::path> CorpusFiles(const std::filesystem::path& directory)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        if (entry.is_regular_file())
            files.push_back(entry.path());
    }
    return files;
}

/// Sets (or with no value, removes) an environment variable until the end of the scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, std::optional<std::string> value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name); old != nullptr)
            m_old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    /// As above; a null `value` removes the variable.
    ScopedEnvironment(const char* name, const char* value)
        : ScopedEnvironment(
            name, value != nullptr ? std::optional<std::string>(value) : std::nullopt)
    {
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

/// Makes `path` the current directory until the end of the scope.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string& path)
        : m_old(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;
    ~ScopedCurrentDirectory()
    {
        std::error_code ignored;
        std::filesystem::current_path(m_old, ignored);
    }

private:
    std::filesystem::path m_old;
};

} // namespace testsupport
