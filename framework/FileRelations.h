#pragma once

#include <value/ValueReference.h>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// The relation manager: links the file manager of one file to the relation managers of the
// files related to it, so that opening or closing the file opens or closes them too. One pass
// counter shared by the whole program makes a cascade reach each file once even when the
// relations form a cycle or a file is related along two paths.
//
// Used under the runtime lock, as the file managers are.

namespace files {
struct KeyDescriptor;
}

namespace framework {

class FileManager;

class FileRelations {
public:
    /// A related file (one RELATIONS entry).
    struct Relation {
        FileRelations* file = nullptr; ///< the related file's relation manager
        /// The linking fields: this file's field and the related file's.
        std::vector<std::pair<value::ValueReference, value::ValueReference>> fields;
        files::KeyDescriptor* hisKey = nullptr; ///< the related file's key the link uses
        std::uint8_t updateMode = 0;
        std::uint8_t deleteMode = 0;
    };

    FileRelations() = default;
    virtual ~FileRelations() = default;
    FileRelations(const FileRelations&) = delete;
    FileRelations& operator=(const FileRelations&) = delete;

    /// Binds the relation manager to the file manager `me` and starts an empty list of
    /// relations. `useLogout` (1 in this program) is kept for the cascaded updates.
    void Setup(FileManager* me, std::uint8_t useLogout);

    /// Adds `related` as a relation of this file; cascades reach it in the order added.
    void AddRelation(
        FileRelations* related, std::uint8_t updateMode = 0, std::uint8_t deleteMode = 0);

    // Virtual methods, in their slot order.

    /// Closes the file, then (with `cascade` 0 starting a new pass) every related file not yet
    /// reached in this pass, in order, stopping at the first non-zero result. Answers the last
    /// result.
    virtual std::uint32_t Close(std::uint8_t cascade);
    /// Frees the list of relations. A program that owns the file manager overrides it to tear
    /// that down first.
    virtual void Teardown();
    /// Opens the file, then the related files as Close does. A top-level open (`cascade` 0)
    /// also makes sure the file is really open (a lazy manager opens it now, creating it
    /// when it is missing and allowed to). Answers the last severity result.
    virtual std::uint32_t Open(std::uint8_t cascade);

    // Fields.
    FileRelations* aliasFile = nullptr; ///< the relation manager of an alias; unused here
    /// The pass counter value of the last Open or Close pass that reached this file.
    std::int32_t lastTouched = 0;
    FileManager* me = nullptr;
    std::optional<std::vector<Relation>> relations;
    std::uint8_t useLogout = 0;

private:
    /// Starts a pass (cascade 0) or tells whether this file was already reached in the
    /// current one; marks the file as reached.
    bool AlreadyReached(std::uint8_t cascade);
    template<typename Step> std::uint32_t Cascade(std::uint32_t result, Step step);
};

} // namespace framework
