#include "DisplayText.h"

#include "Text.h"

#include <QChar>
#include <QStringList>

namespace platform::display {

QString FromAnsi(std::string_view ansi)
{
    if (const Result<std::string> utf8 = AnsiToUtf8(ansi))
        return QString::fromStdString(*utf8);
    // The five bytes the code page leaves undefined show as the replacement character.
    QString text;
    for (const char byte : ansi) {
        const std::optional<char32_t> c = AnsiToUnicode(static_cast<unsigned char>(byte));
        text.append(QChar(static_cast<char16_t>(c ? *c : 0xFFFD)));
    }
    return text;
}

std::string ToAnsi(const QString& text)
{
    std::string ansi;
    ansi.reserve(static_cast<std::size_t>(text.size()));
    // By code point, so that a character beyond the 16-bit range is one "?", not two.
    for (const char32_t c : text.toUcs4()) {
        const std::optional<unsigned char> byte = UnicodeToAnsi(c);
        ansi.push_back(byte ? static_cast<char>(*byte) : '?');
    }
    return ansi;
}

std::optional<std::string> ToAnsiExact(const QString& text)
{
    std::string ansi;
    ansi.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        const std::optional<unsigned char> byte = UnicodeToAnsi(c.unicode());
        if (!byte)
            return std::nullopt;
        ansi.push_back(static_cast<char>(*byte));
    }
    return ansi;
}

std::u32string Unspellable(const QString& text)
{
    std::u32string found;
    for (const char32_t c : text.toUcs4()) {
        // A text box's raw text breaks its lines with these; they are read as CR LF.
        const bool lineBreak = c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
        if (!lineBreak && !UnicodeToAnsi(c) && found.find(c) == std::u32string::npos)
            found.push_back(c);
    }
    return found;
}

QString UnspellableIn(const QString& text)
{
    QStringList found;
    for (const char32_t c : Unspellable(text))
        found.append(QString::fromUcs4(&c, 1));
    return found.join(QStringLiteral(", "));
}

} // namespace platform::display
