#pragma once

#include "Picture.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

// What the picture files share among themselves: the row builder, the Windows pictures and the
// per-kind formatters and readers. Not for use outside value/Picture*.cpp.

namespace value {

struct DecimalRegister;

namespace picture {

/// The all-zero picture, as an invalid picture is. (Assigning a temporary of this size
/// makes g++ 12 fail at -O2, so every reset copies this one.)
inline constexpr CompiledPicture kEmptyPicture {};
static_assert(
    std::is_trivially_copyable_v<CompiledPicture> && std::is_standard_layout_v<CompiledPicture>);

/// Counts the builds of the Windows pictures: a picture compiled before the last build may
/// hold an older picture 17, 18, 7 or 8.
std::uint32_t WindowsPicturesGeneration();

/// `text` compiled, from the thread's RecentPicture when it holds the same text compiled
/// against the current Windows pictures; FORMAT and DEFORMAT take their pictures from here.
const CompiledPicture& CompileRecent(const char* text);

/// Appends positions to a picture's row; `Failed` once a position did not fit.
class RowBuilder {
public:
    explicit RowBuilder(CompiledPicture& picture)
        : m_picture(picture)
    {
    }
    void Add(PictureRole role, char character)
    {
        if (m_count >= kPicturePositions) {
            m_failed = true;
            return;
        }
        m_picture.positions[m_count++] = { character, role };
    }
    /// Takes the next `count` positions for the caller to fill; null (and Failed) when they
    /// do not fit.
    PicturePosition* Reserve(std::size_t count)
    {
        if (count > kPicturePositions - m_count) {
            m_failed = true;
            return nullptr;
        }
        PicturePosition* first = m_picture.positions + m_count;
        m_count += count;
        return first;
    }
    std::size_t Count() const { return m_count; }
    bool Failed() const { return m_failed; }

private:
    CompiledPicture& m_picture;
    std::size_t m_count = 0;
    bool m_failed = false;
};

/// The Windows date and time pictures and the marks their times show.
struct WindowsPictures {
    CompiledPicture shortDate;
    CompiledPicture longDate;
    CompiledPicture shortTime;
    CompiledPicture longTime;
    char morningMark[2] = { ' ', ' ' };
    char afternoonMark[2] = { ' ', ' ' };
};

/// The pictures in force: those of the default settings until BuildWindowsPictures runs.
const WindowsPictures& CurrentWindowsPictures();

/// Fills `picture` with date layout `number` (1 to 18) before modifiers; false when there is
/// no such layout.
bool CompileDateLayout(CompiledPicture& picture, int number);
/// As CompileDateLayout for time layouts 1 to 8.
bool CompileTimeLayout(CompiledPicture& picture, int number);

/// The formatters write exactly picture.width characters into `out`.
void FormatNumber(const CompiledPicture& picture, DecimalRegister& reg, char* out);
void FormatScientific(const CompiledPicture& picture, const DecimalRegister& reg, char* out);
void FormatDate(const CompiledPicture& picture, std::int32_t dayNumber, char* out);
void FormatTime(const CompiledPicture& picture, std::int32_t timeNumber, char* out);

/// The readers write at most kStringPictureWidth characters into `out` and answer how many.
std::size_t ReadDate(const CompiledPicture& picture, std::string_view typed, char* out);
std::size_t ReadTime(const CompiledPicture& picture, std::string_view typed, char* out);

/// Whether `c` is one of the digits 0 to 9.
inline bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

/// Writes `value` (not negative) as decimal text into `out` and answers its length.
std::size_t WriteNumber(std::int64_t value, char* out);

} // namespace picture
} // namespace value
