#pragma once

// Faults of reading for code the tests cannot reach through a seam of the program's own: the
// hashing library opens and reads the chosen file with open(2) and read(2) itself. A test
// program linked with ReadFaults.cpp defines `open` and `read`, which the dynamic linker binds
// the library's calls to; unarmed they are the system calls themselves. Armed for one path,
// they fail the way a failing disk or lost rights do, for that file only.

#include <cstdint>
#include <string>

namespace testsupport {

/// What the armed file does.
enum class ReadFault : std::uint8_t {
    ReadFailsAfter, ///< reads give `bytes` bytes, then fail with EIO (a bad sector)
    OpenDenied,     ///< opening it fails with EACCES (its rights were taken away)
    ReadHeldAfter,  ///< reads give `bytes` bytes, then wait until Release (a stalled disk)
};

/// Arms `fault` for the file `path` (as the library is given it) until the scope ends. One
/// scope at a time.
class ScopedReadFault {
public:
    ScopedReadFault(std::string path, ReadFault fault, std::uint64_t bytes = 0);
    ScopedReadFault(const ScopedReadFault&) = delete;
    ScopedReadFault& operator=(const ScopedReadFault&) = delete;
    ~ScopedReadFault();

    /// Lets reads held by ReadHeldAfter go on, and every later one.
    void Release();

    /// How many calls the fault failed (or held) so far.
    static std::uint32_t Struck();
};

} // namespace testsupport
