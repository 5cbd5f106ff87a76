#include <framework/FileManager.h>
#include <framework/FileRelations.h>

#include <cassert>

namespace framework {

namespace {

/// The number of the current Open or Close pass, shared by every relation manager of the
/// program. A top-level call starts a new pass; the calls it cascades to see the same number.
std::int32_t g_passCounter = 0;

} // namespace

void FileRelations::Setup(FileManager* manager, std::uint8_t logout)
{
    me = manager;
    relations.emplace();
    useLogout = logout;
}

void FileRelations::AddRelation(
    FileRelations* related, std::uint8_t updateMode, std::uint8_t deleteMode)
{
    assert(relations && related != nullptr && "Setup comes before AddRelation");
    Relation& relation = relations->emplace_back();
    relation.file = related;
    relation.updateMode = updateMode;
    relation.deleteMode = deleteMode;
}

void FileRelations::Teardown()
{
    // Each relation's linking fields go with it.
    relations.reset();
}

bool FileRelations::AlreadyReached(std::uint8_t cascade)
{
    if (cascade != 0 && lastTouched == g_passCounter)
        return true;
    if (cascade == 0)
        ++g_passCounter;
    lastTouched = g_passCounter;
    return false;
}

template<typename Step> std::uint32_t FileRelations::Cascade(std::uint32_t result, Step step)
{
    if (!relations)
        return result;
    // By index: a related manager's step may add relations to this one.
    for (std::size_t i = 0; result == 0 && i < relations->size(); ++i) {
        if (FileRelations* related = (*relations)[i].file; related != nullptr)
            result = step(*related);
    }
    return result;
}

std::uint32_t FileRelations::Open(std::uint8_t cascade)
{
    if (AlreadyReached(cascade))
        return 0;
    assert(me != nullptr && "Setup comes before Open");
    std::uint32_t result = me->Open();
    // A top-level open ends with the file really open, however lazy its manager is.
    if (result == 0 && cascade == 0)
        result = me->EnsureOpen();
    return Cascade(result, [](FileRelations& related) { return related.Open(1); });
}

std::uint32_t FileRelations::Close(std::uint8_t cascade)
{
    if (AlreadyReached(cascade))
        return 0;
    assert(me != nullptr && "Setup comes before Close");
    const std::uint32_t result = me->Close();
    return Cascade(result, [](FileRelations& related) { return related.Close(1); });
}

} // namespace framework
