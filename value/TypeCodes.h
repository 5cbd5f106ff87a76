#pragma once

#include <cstdint>
#include <string_view>

namespace value {

/// The one-byte codes of the 4GL's data types, as type descriptors and use descriptors
/// store them.
enum class TypeCode : std::uint8_t {
    End = 0,
    Byte = 1,
    Short = 2,
    UShort = 3,
    Date = 4,
    Time = 5,
    Long = 6,
    ULong = 7,
    SReal = 8,
    Real = 9,
    Decimal = 10,
    PDecimal = 11,
    Dum1 = 12,
    BFloat4 = 13,
    BFloat8 = 14,
    Any = 15,
    TempUfo = 16,
    Reserved17 = 17,
    String = 18,
    CString = 19,
    PString = 20,
    Memo = 21,
    Group = 22,
    Class = 23,
    Array = 24,
    Field = 25,
    Queue = 26,
    Blob = 27,
    StackStr = 28,
    Picture = 29,
    StdNum = 30,
};

/// The code's name as diagnostics print it ("LONG", "CSTRING", "(17)"); empty for the unnamed
/// codes 31 to 36 and for codes outside the table.
std::string_view TypeCodeName(std::uint8_t code);

/// The storage size of a value of the code. Types whose size comes from their declaration
/// (decimals, strings, groups and the like) and unknown codes answer 0; the unnamed codes 31
/// to 36 take 4 bytes.
std::uint32_t TypeCodeSize(std::uint8_t code);

} // namespace value
