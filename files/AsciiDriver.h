#pragma once

#include <files/FileDeclaration.h>

#include <array>
#include <cstdint>

// The ASCII driver as the rest of the runtime sees it: the DriverEntry a FILE declaration with
// DRIVER('ASCII') names, and the driver's registration record.

namespace files {

/// The ASCII driver's DriverEntry: runs `operation` on `file` through the common path of the
/// driver interface around the text-file engine (AsciiFile).
std::int32_t AsciiDriverEntry(
    Operation operation, FileDeclaration* file, const OperationArguments* arguments);

/// The static record that describes a driver to the runtime and its tools.
struct DriverRegistration {
    std::array<char, 21> name {};        ///< NUL-padded: "ASCII"
    std::array<char, 13> moduleFile {};  ///< "R4ASC.DLL"
    std::array<char, 41> notice {};      ///< who made the driver
    std::array<char, 31> description {}; ///< "ASCII (Text)"
    DriverEntry entry = nullptr;
    std::array<std::uint16_t, 2> words {};
    /// One byte per field type code: 1 where the driver can store fields of that type.
    std::array<std::uint8_t, 27> typeTable {};
    std::array<std::uint32_t, 4> numbers {};
    /// The operation codes the driver names, one byte each, ended by 0.
    const std::uint8_t* operations = nullptr;
    std::array<char, 13> secondModuleFile {}; ///< "R4ASCS.DLL"
};

/// The ASCII driver's registration; SEND(file, 'REGISTER') answers its address in decimal.
const DriverRegistration& AsciiDriverRegistration();

} // namespace files
