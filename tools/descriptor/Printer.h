#pragma once

#include "DescriptorSource.h"

#include <string>

namespace descriptor {

/// Writes a declaration in canonical form: `descriptor` first, a blank line before each window,
/// four blanks of indent per level, one field per line in a fixed order, fields before child
/// records, values left at 0 (or empty) not written, records with nothing inside written
/// without braces. Attribute and frame bits and options are written in hexadecimal, colours as
/// six hexadecimal digits or `none`, absent position values as `default`. Texts are written in
/// UTF-8; quotes, backslashes, tab, line feed and carriage return are escaped, as are other
/// control characters and the bytes Windows-1250 leaves undefined (`\xNN`).
///
/// Parsing the output gives back `source` exactly, provided that each record carries only the
/// fields of its kind (others are not written) and that the names and texts are ones the
/// parser accepts (a non-empty window name and module name).
std::string Print(const DescriptorSource& source);

} // namespace descriptor
