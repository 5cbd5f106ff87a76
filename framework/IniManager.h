#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The name of the program's settings file. The program binds it once at start-up; nothing in
// the program reads or writes settings through it yet.

namespace framework {

class IniManager {
public:
    /// The longest name kept; a longer one is cut.
    static constexpr std::size_t kMaxFileNameLength = 259;

    /// Binds the settings file `name` (Windows-1250), cut to kMaxFileNameLength characters and
    /// otherwise unchanged: no directory is added and no extension changed, so a bare name
    /// stays bare.
    void Setup(std::string_view name);

    /// The bound name, empty before Setup.
    const std::string& FileName() const { return m_fileName; }

private:
    std::string m_fileName;
};

} // namespace framework
