#pragma once

#include "DescriptorSource.h"

#include <cstddef>
#include <vector>

namespace descriptor {

/// Encodes a declaration as the content of its "DABDUMP" resource: the module name and a NUL,
/// then the descriptor body the window engine's loader reads (layouts in README.md beside this
/// file).
///
/// Every reference in the body is a signed 32-bit little-endian offset counted from two bytes
/// before the body, so the first body byte is offset 2; the body's first dword is the offset
/// of the first window. Whatever a record refers to (texts, font and colour blocks, use
/// descriptors, value lists, child records and its next sibling) is stored in front of it, so
/// the body is written in one pass and no record overlaps another. A value list is stored
/// from its last cell to its head. An empty text is stored as offset 0, a missing position
/// value as 0x80000000, and only the fields of a record's kind are stored.
///
/// The texts of `source` must hold no NUL byte (the parser never makes one).
std::vector<std::byte> Encode(const DescriptorSource& source);

} // namespace descriptor
