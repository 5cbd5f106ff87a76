#pragma once

#include "DescriptorSource.h"

#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace descriptor {

/// Why a declaration was refused: the line (from 1) and a sentence saying what is wrong.
struct ParseError {
    unsigned line = 0;
    std::string message;

    bool operator==(const ParseError&) const = default;
};

/// A parsed declaration or the first error found in it.
class [[nodiscard]] ParseResult {
public:
    ParseResult(DescriptorSource source)
        : m_value(std::move(source))
    {
    }
    ParseResult(ParseError error)
        : m_value(std::move(error))
    {
    }

    bool IsError() const { return std::holds_alternative<ParseError>(m_value); }
    explicit operator bool() const { return !IsError(); }
    const ParseError& Error() const { return std::get<ParseError>(m_value); }
    DescriptorSource& Value() { return std::get<DescriptorSource>(m_value); }
    const DescriptorSource& Value() const { return std::get<DescriptorSource>(m_value); }

private:
    std::variant<DescriptorSource, ParseError> m_value;
};

struct ParseOptions {
    /// When not empty, the resource name the module must make (see `ResourceName`), compared
    /// without regard to ASCII case: the compiler passes the one its input file is named for.
    std::string_view resourceName;
};

/// Parses a declaration (UTF-8 text; a leading byte-order mark is skipped). Texts are converted
/// to Windows-1250 on the way. The first error stops the parse: an unknown kind or field, a
/// field given twice or on a kind that lacks it, a malformed or out-of-range number, an
/// unterminated text or unknown escape, a character without a Windows-1250 form, a block never
/// closed, two records of one window with the same non-zero equate, two windows with the same
/// name, a declaration without `descriptor` or without windows.
ParseResult Parse(std::string_view text, const ParseOptions& options = {});

} // namespace descriptor
