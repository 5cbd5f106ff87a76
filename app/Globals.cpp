#include "Globals.h"

namespace app {

constinit thread_local std::uint8_t ThreadRequest = 0;
constinit thread_local std::uint8_t ThreadResponse = 0;
constinit thread_local std::int32_t ThreadScrollRequest = 0;

value::STRING<255> DialogFileName;
value::CSTRING<127> InputFileName;

framework::ErrorManager AppErrors;
framework::IniManager AppIni;

} // namespace app
