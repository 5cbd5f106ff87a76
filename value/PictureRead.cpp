// Reading typed text back through pictures (DEFORMAT, and the entry controls): the text and the
// picture's positions are walked side by side and the plain value is written out as text.

#include "Collation.h"
#include "PictureInternal.h"
#include "StringStack.h"

#include <algorithm>

namespace value {

namespace {

using picture::IsDigit;

/// Collects the plain text, never beyond kStringPictureWidth characters.
class PlainText {
public:
    explicit PlainText(char* out)
        : m_out(out)
    {
    }
    void Add(char c)
    {
        if (m_length < kStringPictureWidth)
            m_out[m_length++] = c;
    }
    std::size_t Length() const { return m_length; }
    char Last() const { return m_length == 0 ? '\0' : m_out[m_length - 1]; }

private:
    char* m_out;
    std::size_t m_length = 0;
};

/// A string picture keeps what a number can be read from: digits, the first "." and the first
/// "e", a "-" first or right after the "e", and a "+" right after the "e".
std::size_t ReadPlain(const CompiledPicture& picture, std::string_view typed, char* out)
{
    PlainText text(out);
    bool point = false;
    bool exponent = false;
    for (char c : typed.substr(0, picture.width)) {
        if (IsDigit(c)) {
            text.Add(c);
        } else if (c == '.' && !point) {
            point = true;
            text.Add(c);
        } else if ((c == 'e' || c == 'E') && !exponent) {
            exponent = true;
            text.Add(c);
        } else if (c == '-' && (text.Length() == 0 || text.Last() == 'e' || text.Last() == 'E')) {
            text.Add(c);
        } else if (c == '+' && (text.Last() == 'e' || text.Last() == 'E')) {
            text.Add(c);
        }
    }
    return text.Length();
}

bool IsKeyInClass(PictureRole role)
{
    return role >= PictureRole::KeyInClass1 && role <= PictureRole::KeyInClass5;
}

/// Numbers, patterns and key-in pictures: digits under digit positions, the sign from sign,
/// grouping and digit positions, "." for the decimal point, key-in characters unchanged.
std::size_t ReadNumber(const CompiledPicture& picture, std::string_view typed, char* out)
{
    char body[kStringPictureWidth];
    PlainText text(body);
    bool negative = false;
    const bool blankIsZero
        = picture.kind == PictureKind::Pattern || picture.kind == PictureKind::KeyIn;
    for (std::size_t i = 0; i < picture.width; ++i) {
        const PictureRole role = picture.positions[i].role;
        const char c = i < typed.size() ? typed[i] : ' ';
        switch (role) {
        case PictureRole::DigitZeroShown:
        case PictureRole::DigitZeroBlank:
        case PictureRole::ImpliedDecimalPoint:
            if (IsDigit(c))
                text.Add(c);
            else if (c == ' ' && blankIsZero && role == PictureRole::DigitZeroBlank)
                text.Add('0');
            else if (c == '-' || c == '(')
                negative = true;
            else if (c == '+')
                negative = false;
            if (role == PictureRole::ImpliedDecimalPoint)
                text.Add('.');
            break;
        case PictureRole::Sign:
        case PictureRole::Grouping:
            if (c == '-' || c == '(')
                negative = true;
            else if (c == '+')
                negative = false;
            break;
        case PictureRole::DecimalPoint:
            text.Add('.');
            break;
        case PictureRole::ExponentSign:
            // The decimal registers read "e5" and "e-5"; a "+" is left out.
            text.Add('e');
            if (c == '-')
                text.Add('-');
            break;
        default:
            if (IsKeyInClass(role))
                text.Add(c);
            break;
        }
    }
    PlainText result(out);
    if (negative)
        result.Add('-');
    for (std::size_t i = 0; i < text.Length(); ++i)
        result.Add(body[i]);
    return result.Length();
}

} // namespace

bool KeyInClassAccepts(int keyInClass, char c)
{
    const auto u = static_cast<unsigned char>(c);
    const bool blank = c == ' ';
    switch (keyInClass) {
    case 1:
        return blank || IsLetterChar(u);
    case 2:
        return blank || IsUpperChar(u);
    case 3:
        return u >= 0x20 && u != 0x7F;
    case 4:
        return blank || IsAlnumChar(u);
    case 5:
        return blank || (IsLetterChar(u) && !IsUpperChar(u));
    default:
        return false;
    }
}

std::size_t DeformatText(const CompiledPicture& picture, std::string_view typed, char* buffer)
{
    typed = typed.substr(0, kPictureTextLimit);
    if (picture.width == 0)
        return 0;
    switch (picture.kind) {
    case PictureKind::String:
        return ReadPlain(picture, typed, buffer);
    case PictureKind::Date:
        return picture::ReadDate(picture, typed, buffer);
    case PictureKind::Time:
        return picture::ReadTime(picture, typed, buffer);
    default:
        return ReadNumber(picture, typed, buffer);
    }
}

void DeformatToStack(const char* text)
{
    char typed[kPictureTextLimit];
    std::size_t length = 0;
    if (StackDepth() > 0) {
        const std::string_view top = StackTop().View();
        length = std::min(top.size(), kPictureTextLimit);
        std::copy_n(top.data(), length, typed);
        Drop();
    }
    const CompiledPicture& picture = value::picture::CompileRecent(text);
    char result[kStringPictureWidth];
    const std::size_t resultLength = DeformatText(picture, std::string_view(typed, length), result);
    if (resultLength == 0) {
        PushEmpty();
        return;
    }
    PushString(result, static_cast<std::uint32_t>(resultLength));
    Materialize();
}

} // namespace value
