#include <framework/IniManager.h>

namespace framework {

void IniManager::Setup(std::string_view name)
{
    m_fileName.assign(name.substr(0, kMaxFileNameLength));
}

} // namespace framework
