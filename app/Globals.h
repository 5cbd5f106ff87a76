#pragma once

#include <files/FileDeclaration.h>
#include <framework/ErrorManager.h>
#include <framework/FileManager.h>
#include <framework/FileRelations.h>
#include <framework/IniManager.h>
#include <value/DeclaredStrings.h>

#include <cstdint>
#include <span>

namespace app {

// The per-thread globals live in the calling thread's value::RuntimeThread (the app layer's
// extension of it): each runtime thread has its own, and a thread started later starts from 0.

/// The request handed to the next procedure this thread starts; its init reads it into the
/// procedure's REQUEST field. Each runtime thread has its own.
std::uint8_t& ThreadRequest();

/// The response of the last procedure this thread returned from.
std::uint8_t& ThreadResponse();

/// The scrolling request a toolbar passes to a procedure (its VCRREQUEST field).
std::int32_t& ThreadScrollRequest();

/// The path the file dialog last returned.
extern value::STRING<255> DialogFileName;

/// The path of the file to hash.
extern value::CSTRING<127> InputFileName;

/// The program's error manager: its messages and how they are shown.
extern framework::ErrorManager AppErrors;

/// The program's settings file, bound to "varn.INI" at start-up.
extern framework::IniManager AppIni;

/// The result file: NAME "HASHBROJ.TXT" (no directory: it lies in the current directory),
/// DRIVER('ASCII'), CREATE, THREAD (each thread works on its own copy) and OEM text. Its record
/// is the one field HAS:SLOG, STRING(40).
extern files::FileDeclaration HashFile;

/// The length of HashFile's record, its field HAS:SLOG.
inline constexpr std::uint32_t kHashFileRecordLength = 40;

/// HAS:SLOG of the calling thread's record of HashFile.
std::span<char, kHashFileRecordLength> HashFileSlog();

/// Clears HashFile's declared record (the one each thread's copy starts from) as a new record
/// is cleared: HAS:SLOG to blanks.
void ClearHashFileRecord();

/// The relation manager of HashFile. Tearing it down tears down HashFileAccess first and
/// clears both global references.
class HashFileRelations final : public framework::FileRelations {
public:
    void Teardown() override;
};

/// The file manager of HashFile.
extern framework::FileManager HashFileAccess;
/// The relation manager of HashFile.
extern HashFileRelations HashFileRelate;
/// HashFileAccess and HashFileRelate while they are set up; null before and after.
extern framework::FileManager* HashFileAccessRef;
extern framework::FileRelations* HashFileRelateRef;

/// Sets up HashFileAccess for HashFile with AppErrors (its buffer the HashFile record, create
/// 1, lock recovery 10) and HashFileRelate with it, and points the references at them.
void SetupFileObjects();

/// Tears HashFileRelate down (which tears down HashFileAccess and clears both references).
void KillFileObjects();

} // namespace app
