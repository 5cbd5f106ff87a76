#pragma once

// What the file manager tests work with: an error manager whose boxes are recorded and
// answered and whose halts return, FILE declarations for the ASCII driver, and a driver whose
// answers a test scripts operation by operation.

#include <files/AsciiDriver.h>
#include <files/FileDeclaration.h>
#include <files/FileOps.h>
#include <framework/ErrorManager.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace filetest {

/// An error manager that records each box and halt instead of showing or ending anything.
class RecordingErrorManager : public framework::ErrorManager {
public:
    struct Box {
        std::string title;
        std::string text;
    };

    std::vector<Box> boxes;
    std::vector<std::string> halts;

    /// The titles of the boxes shown, in order.
    std::vector<std::string> Titles() const
    {
        std::vector<std::string> titles;
        for (const Box& box : boxes)
            titles.push_back(box.title);
        return titles;
    }

protected:
    std::uint32_t ShowBox(std::string_view text, std::string_view title, std::uint32_t,
        std::uint32_t, std::uint32_t) override
    {
        boxes.push_back(Box { std::string(title), std::string(text) });
        return 1; // OK; the file manager asks no questions
    }
    void HaltProgram(int, std::string_view text) override { halts.emplace_back(text); }
};

inline const std::uint8_t* ResultRecordType()
{
    static const std::vector<std::uint8_t> kType
        = files::TypeDescriptorBuilder().Group().String("HAS:SLOG", 40).End().Build();
    return kType.data();
}

/// A FILE declared as generated code declares one: the ASCII driver unless told otherwise, one
/// STRING(40) field. It outlives every operation on it (the used-file list names it until the
/// test closes everything).
struct Declaration {
    explicit Declaration(std::string fileName, std::uint8_t attributes,
        files::DriverEntry entry = &files::AsciiDriverEntry)
        : name(std::move(fileName))
        , record(40)
    {
        declaration.driverEntry = entry;
        declaration.name = name.c_str();
        declaration.nameLength = files::kNameNulTerminated;
        declaration.attributes = attributes;
        declaration.recordLength = 40;
        declaration.recordType = ResultRecordType();
        declaration.record = record.data();
    }
    Declaration(const Declaration&) = delete;
    Declaration& operator=(const Declaration&) = delete;

    files::FileDeclaration* Get() { return &declaration; }

    /// Whether the calling thread's copy of the FILE is open.
    bool IsOpen()
    {
        const files::FileDeclaration* own = files::DeclarationForThread(&declaration);
        return own->controlBlock != nullptr
            && files::Any(own->controlBlock->state & files::FileState::Open);
    }

    std::string name;
    std::vector<std::byte> record;
    files::FileDeclaration declaration;
};

/// A driver that answers each operation from a script (0 once the script runs out) and
/// records what reached it. An OPEN that succeeds overwrites the record with 'X', as a driver
/// that reads ahead may.
class ScriptedDriver final : public files::FileDriver {
public:
    struct Call {
        std::int32_t operation;
        std::string text;
    };

    std::string_view Name() const override { return "SCRIPTED"; }
    std::unique_ptr<files::FileControlBlock> NewControlBlock() override
    {
        return std::make_unique<files::FileControlBlock>();
    }
    files::FileError Attach(files::FileControlBlock&) override { return files::FileError::None; }
    void ReadTraceSettings(files::FileControlBlock&) override { }
    files::HandlerResult Run(files::Operation operation, files::FileControlBlock& block,
        const files::OperationArguments& arguments) override
    {
        const std::int32_t code = files::CodeOf(operation);
        calls.push_back(Call { code, std::string(arguments.text) });
        files::HandlerResult answer;
        if (auto found = script.find(code); found != script.end() && !found->second.empty()) {
            answer.result = files::FileError { found->second.front() };
            found->second.pop_front();
        }
        if (operation == files::Operation::Open && answer.result == files::FileError::None)
            std::memset(block.record, 'X', block.recordLength);
        return answer;
    }
    void Trace(files::Operation, files::FileControlBlock&, const files::OperationArguments&,
        files::FileError, std::int64_t) override
    {
    }

    /// The operations that reached the driver, GET_PROPERTY left out.
    std::vector<std::int32_t> Operations() const
    {
        std::vector<std::int32_t> operations;
        for (const Call& call : calls) {
            if (call.operation != files::CodeOf(files::Operation::GetProperty))
                operations.push_back(call.operation);
        }
        return operations;
    }

    std::map<std::int32_t, std::deque<std::int32_t>> script;
    std::vector<Call> calls;
};

inline ScriptedDriver* g_scripted = nullptr;

inline std::int32_t ScriptedEntry(files::Operation operation, files::FileDeclaration* file,
    const files::OperationArguments* arguments)
{
    return files::RunFileOperation(*g_scripted, operation, file, *arguments);
}

} // namespace filetest
