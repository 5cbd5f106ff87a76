#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The error manager: a table of numbered messages through which procedures and the other
// framework classes report errors and ask the user questions. Raising a message saves the
// current error state, fills the message's placeholders and then, by the message's severity,
// says nothing, shows a notice, asks Yes/No, or shows the error and ends the program.
// Texts are Windows-1250.

namespace framework {

/// Message severities.
inline constexpr std::uint8_t kSeverityBenign = 0;
inline constexpr std::uint8_t kSeverityUser = 1;
inline constexpr std::uint8_t kSeverityProgram = 2;
inline constexpr std::uint8_t kSeverityFatal = 3;
inline constexpr std::uint8_t kSeverityCancel = 4;
inline constexpr std::uint8_t kSeverityNotify = 5;

/// The longest text a message box is given; a longer filled text is cut.
inline constexpr std::size_t kMaxMessageLength = 2000;
/// The longest file name, field label, free text and saved error text kept; longer is cut.
inline constexpr std::size_t kMaxFieldLength = 254;

/// The built-in message table in its encoded form (see ErrorManager::AddMessages).
std::span<const std::uint8_t> BuiltInMessages();

/// One message of the table.
struct ErrorEntry {
    std::uint16_t id = 0;
    std::string message;
    std::string title;
    std::uint8_t fatality = 0;
};

class ErrorManager {
public:
    ErrorManager() = default;
    virtual ~ErrorManager() = default;
    ErrorManager(const ErrorManager&) = delete;
    ErrorManager& operator=(const ErrorManager&) = delete;

    /// Starts the table with the built-in messages.
    void Setup();
    /// Empties the table.
    void Teardown();

    /// Appends the messages of an encoded table, in table order: a 16-bit little-endian count,
    /// then per message its number (16 bits, little-endian), its severity (1 byte), its title
    /// and its text (each 1 length byte, then the characters). Nothing is sorted or replaced:
    /// a later message with a number already present hides the earlier one (which "%Previous"
    /// can still show). A table cut short adds the messages that are whole and answers false;
    /// bytes past the counted messages are ignored.
    virtual bool AddMessages(std::span<const std::uint8_t> table);

    /// The file name that fills %File, trailing blanks dropped.
    void SetFileName(std::string_view name);
    /// The field label that fills %Field.
    void SetFieldName(std::string_view name);

    /// Saves the error state, then shows message `id` by its severity. Answers 0 for a benign
    /// message and for Yes to a question, 4 for No, 5 for a notice and 3 for a fatal one if
    /// the program goes on after the halt.
    std::uint32_t Raise(std::uint16_t id);
    /// As Raise, with `text` (cut to kMaxFieldLength) filling %Message.
    std::uint32_t RaiseWithText(std::uint16_t id, std::string_view text);
    /// Asks message `id` with the question icon and the given buttons and default button (the
    /// message box's button bits); answers the button pressed. The error state is not saved
    /// first, so %ErrorText shows the state of the last raise.
    std::uint32_t Ask(std::uint16_t id, std::uint32_t buttons, std::uint32_t defaultButton);

    /// Copies ERRORCODE, ERROR, FILEERRORCODE and FILEERROR for the placeholders.
    void SaveErrorState();
    /// Shows message `id` by its severity without saving the error state (see Raise). A number
    /// with no message shows a notice naming the number and answers 5.
    std::uint32_t Dispatch(std::uint16_t id);

    /// The text of message `id` with its placeholders filled, cut to kMaxMessageLength; for a
    /// number with no message, the notice naming it.
    std::string FilledText(std::uint16_t id) const;

    /// The messages in table order.
    const std::vector<ErrorEntry>& Entries() const { return m_errors; }

    /// The title of the notice shown for a number with no message.
    static constexpr std::string_view kUnknownTitle = "Unknown message";

protected:
    /// Benign: answers 0, shows nothing.
    virtual std::uint32_t OnSilent(const ErrorEntry& entry);
    /// Fatal: the text and "  Press OK to end this application", then the program halts with
    /// code 0 and the message's title. Answers 3 if the halt returns.
    virtual std::uint32_t OnFatal(const ErrorEntry& entry);
    /// Notice: the text with OK and the exclamation icon; answers 5.
    virtual std::uint32_t OnNotify(const ErrorEntry& entry);
    /// A severity outside 0-5: as a program error.
    virtual std::uint32_t OnOther(const ErrorEntry& entry);
    /// Program error: as fatal.
    virtual std::uint32_t OnProgram(const ErrorEntry& entry);
    /// Question: Yes and No, Yes the default; answers 0 for Yes, 4 otherwise.
    virtual std::uint32_t OnUser(const ErrorEntry& entry);

    /// Shows a message box (button and icon bits of window::ShowMessage) and answers the
    /// button pressed; 0 when it could not be shown.
    virtual std::uint32_t ShowBox(std::string_view text, std::string_view title,
        std::uint32_t buttons, std::uint32_t defaultButton, std::uint32_t icon);
    /// Ends the program with `exitCode`, showing `text` first (window::Halt).
    virtual void HaltProgram(int exitCode, std::string_view text);

private:
    /// The index of the last message numbered `id`, or -1.
    std::ptrdiff_t FindMessage(std::uint16_t id, std::ptrdiff_t before) const;
    std::string FillPlaceholders(std::size_t index) const;
    /// The filled text of `entry`: a message of the table has its placeholders filled, the
    /// notice for a missing number is shown as it is.
    std::string TextOf(const ErrorEntry& entry) const;
    ErrorEntry UnknownEntry(std::uint16_t id) const;

    std::vector<ErrorEntry> m_errors;
    std::string m_fieldName;
    std::string m_fileName;
    std::string m_messageText;
    std::string m_saveError;
    std::int32_t m_saveErrorCode = 0;
    std::string m_saveFileError;
    std::string m_saveFileErrorCode;
};

} // namespace framework
