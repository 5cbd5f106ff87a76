#include "TypeCodes.h"

#include <array>

namespace value {

namespace {

struct TypeInfo {
    std::string_view name;
    std::uint32_t size;
};

constexpr std::array<TypeInfo, 37> kTypes { {
    { "END", 0 },
    { "BYTE", 1 },
    { "SHORT", 2 },
    { "USHORT", 2 },
    { "DATE", 4 },
    { "TIME", 4 },
    { "LONG", 4 },
    { "ULONG", 4 },
    { "SREAL", 4 },
    { "REAL", 8 },
    { "DECIMAL", 0 },
    { "PDECIMAL", 0 },
    { "DUM1", 0 },
    { "BFLOAT4", 4 },
    { "BFLOAT8", 8 },
    { "ANY", 4 },
    { "TEMPUFO", 0 },
    { "(17)", 0 },
    { "STRING", 0 },
    { "CSTRING", 0 },
    { "PSTRING", 0 },
    { "MEMO", 0 },
    { "GROUP", 0 },
    { "CLASS", 0 },
    { "ARRAY", 0 },
    { "FIELD", 0 },
    { "QUEUE", 0 },
    { "BLOB", 0 },
    { "STACKSTR", 0 },
    { "PICTURE", 0 },
    { "STDNUM", 0 },
    { "", 4 },
    { "", 4 },
    { "", 4 },
    { "", 4 },
    { "", 4 },
    { "", 4 },
} };

} // namespace

std::string_view TypeCodeName(std::uint8_t code)
{
    return code < kTypes.size() ? kTypes[code].name : std::string_view {};
}

std::uint32_t TypeCodeSize(std::uint8_t code)
{
    return code < kTypes.size() ? kTypes[code].size : 0;
}

} // namespace value
