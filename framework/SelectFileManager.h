#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The file-selection class: asks the user for a file name through the file dialog, with a
// title, a filter built up pair by pair, a starting name and a starting directory. Texts are
// Windows-1250.

namespace value {
class ValueReference;
}

namespace framework {

/// Whether Ask puts the current directory back after the dialog.
enum class KeepPath : std::uint8_t { No, Yes };

class SelectFileManager {
public:
    SelectFileManager() = default;
    virtual ~SelectFileManager() = default;
    SelectFileManager(const SelectFileManager&) = delete;
    SelectFileManager& operator=(const SelectFileManager&) = delete;

    static constexpr std::size_t kMaxDirectoryLength = 259;
    static constexpr std::size_t kMaxFileLength = 255;
    static constexpr std::size_t kMaxMaskLength = 254;
    static constexpr std::size_t kMaxTitleLength = 79;
    /// The longest answer of Ask.
    static constexpr std::size_t kMaxAnswerLength = 260;

    /// The filter offered while maskString is blank.
    static constexpr std::string_view kAllFiles = "All Files|*.*";
    /// The title after Setup.
    static constexpr std::string_view kDefaultTitle = "Select A File";

    /// windowTitle "Select A File", flags 0.
    void Setup();

    /// Adds a filter pair ("Text files|*.TXT") to maskString, after a "|" when it already
    /// holds some; trailing blanks are dropped and the result is cut to kMaxMaskLength. A
    /// blank `text` is ignored.
    void AddFilter(std::string_view text);

    /// Shows the file dialog with windowTitle, the filter (kAllFiles while maskString is
    /// blank), flags, defaultFile as the starting name and the default directory as where
    /// it starts. Answers the chosen name (at most kMaxAnswerLength characters, trailing
    /// blanks dropped), or an empty name when the user cancelled or no dialog could be shown.
    /// The process's current directory is never set to the default directory: it is shared
    /// by every thread, and other windows go on working while the dialog is up. The dialog
    /// itself makes the chosen file's directory current unless flags hold 0x02; with
    /// KeepPath::Yes the current directory is put back as it was before.
    std::string Ask(KeepPath keepPath);

    /// The directory the dialog starts in (cut to kMaxDirectoryLength); blank: the current
    /// directory.
    void SetDefaultDirectory(std::string_view directory);
    const std::string& DefaultDirectory() const { return m_defaultDirectory; }

    // Fields.
    std::string defaultFile; ///< the starting name, at most kMaxFileLength characters
    std::uint8_t flags = 0;  ///< window::filedialog bits
    std::string maskString;  ///< pairs of description and pattern joined by "|"
    std::string savePath;    ///< the current directory Ask put back last
    std::string windowTitle; ///< at most kMaxTitleLength characters

protected:
    /// Shows the dialog: pushes `filter` and then `title` on the string stack and calls
    /// window::FileDialog with `flags`, the name variable and `initialDirectory`; answers its
    /// answer (1 chosen, 0 cancelled).
    virtual std::int32_t ShowDialog(std::uint32_t dialogFlags, const value::ValueReference& name,
        std::string_view filter, std::string_view title, std::string_view initialDirectory);

private:
    std::string m_defaultDirectory;
};

} // namespace framework
