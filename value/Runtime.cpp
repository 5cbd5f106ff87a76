#include "Runtime.h"

namespace value {

Runtime::~Runtime()
{
    for (std::atomic<SharedExtension*>& extension : m_extensions)
        delete extension.load();
}

SharedExtension* Runtime::Install(std::size_t index, std::unique_ptr<SharedExtension> made, Tag tag)
{
    const std::lock_guard lock(m_installing);
    if (SharedExtension* existing = m_extensions[index].load())
        return existing;
    m_tags[index] = tag;
    SharedExtension* extension = made.release();
    m_extensions[index].store(extension, std::memory_order_release);
    return extension;
}

Runtime& TheRuntime()
{
    static Runtime runtime;
    return runtime;
}

} // namespace value
