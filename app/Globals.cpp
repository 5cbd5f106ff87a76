#include "Globals.h"

#include <files/AsciiDriver.h>
#include <files/FileOps.h>
#include <platform/File.h>
#include <value/RuntimeThread.h>

#include <algorithm>
#include <array>
#include <vector>

namespace app {

namespace {

/// The program's per-thread globals.
struct ThreadGlobals final : value::ThreadExtension {
    static constexpr value::ThreadExtensionSlot kSlot = value::ThreadExtensionSlot::App;

    std::uint8_t request = 0;
    std::uint8_t response = 0;
    std::int32_t scrollRequest = 0;
};

ThreadGlobals& OwnGlobals()
{
    return value::CurrentRuntimeThread().Extension<ThreadGlobals>();
}

} // namespace

std::uint8_t& ThreadRequest()
{
    return OwnGlobals().request;
}

std::uint8_t& ThreadResponse()
{
    return OwnGlobals().response;
}

std::int32_t& ThreadScrollRequest()
{
    return OwnGlobals().scrollRequest;
}

value::STRING<255> DialogFileName;
value::CSTRING<127> InputFileName;

framework::ErrorManager AppErrors;
framework::IniManager AppIni;

namespace {

const std::uint8_t* HashFileRecordType()
{
    static const std::vector<std::uint8_t> kType = files::TypeDescriptorBuilder()
                                                       .Group()
                                                       .String("HAS:SLOG", kHashFileRecordLength)
                                                       .End()
                                                       .Build();
    return kType.data();
}

std::array<std::byte, kHashFileRecordLength> g_hashFileRecord;

files::FileDeclaration DeclareHashFile()
{
    files::FileDeclaration file;
    file.driverEntry = &files::AsciiDriverEntry;
    file.name = "HASHBROJ.TXT";
    file.nameLength = 12;
    file.attributes = files::DeclarationAttributes::kCreate | files::DeclarationAttributes::kThread
        | files::DeclarationAttributes::kOem;
    file.recordLength = kHashFileRecordLength;
    file.recordType = HashFileRecordType();
    file.record = g_hashFileRecord.data();
    // The current directory may be one others write to: a link put there in the file's place
    // must not make a write land in the file it points to.
    file.finalLink = platform::FinalLink::Refuse;
    return file;
}

} // namespace

files::FileDeclaration HashFile = DeclareHashFile();

std::span<char, kHashFileRecordLength> HashFileSlog()
{
    std::byte* record = files::DeclarationForThread(&HashFile)->record;
    return std::span<char, kHashFileRecordLength>(
        reinterpret_cast<char*>(record), kHashFileRecordLength);
}

void ClearHashFileRecord()
{
    std::ranges::fill(g_hashFileRecord, std::byte { ' ' });
}

framework::FileManager HashFileAccess;
HashFileRelations HashFileRelate;
framework::FileManager* HashFileAccessRef = nullptr;
framework::FileRelations* HashFileRelateRef = nullptr;

void HashFileRelations::Teardown()
{
    HashFileAccess.Teardown();
    HashFileAccessRef = nullptr;
    FileRelations::Teardown();
    HashFileRelateRef = nullptr;
}

void SetupFileObjects()
{
    HashFileRelateRef = &HashFileRelate;
    HashFileAccess.Setup(&HashFile, &AppErrors);
    HashFileAccess.buffer = { HashFile.record, HashFile.recordType, kHashFileRecordLength };
    HashFileAccess.create = 1;
    // The manager only makes the file at a hash window's start (each press opens it for its own
    // write): reading is all it needs. Asked for writing, an open made while another window's
    // press or another copy of the program holds the file would fall back to reading with the
    // framework's "trying read-only" message, for a file that is there and will be written.
    HashFileAccess.openMode = platform::kAccessRead | platform::kShareDenyNone;
    HashFileAccess.lockRecover = 10;
    HashFileAccessRef = &HashFileAccess;
    HashFileRelate.Setup(&HashFileAccess, 1);
}

void KillFileObjects()
{
    HashFileRelate.Teardown();
}

} // namespace app
