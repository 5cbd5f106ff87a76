#pragma once

#include <cstdint>

namespace value {

/// The runtime's current error number, as ERRORCODE() answers it: 0 after a statement that
/// succeeded. Statements post it; callers read it afterwards. The file layer keeps the texts and
/// the file details that go with it.
std::int32_t ErrorCode();

/// Posts an error number (0 clears it).
void PostErrorCode(std::int32_t code);

} // namespace value
