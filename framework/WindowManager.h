#pragma once

#include <value/ValueReference.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The window manager: the base class of every procedure. One object runs one window from start
// to end: Init sets its defaults (the derived class then opens the window), Ask runs the
// window's ACCEPT loop and hands each event to a handler method, Kill takes everything down.
// It also carries the generic behaviour of forms that edit a record of a primary file (insert,
// change and delete completion, the question when a changed record is abandoned), of browse
// lists, file drop lists, a toolbar and history fields restored from a saved copy.
//
// An object is created, run and disposed of on the thread of its procedure and never shared.

namespace window {
class Window;
}

namespace framework {

class ErrorManager;

/// What the caller of a procedure asks of it (REQUEST).
inline constexpr std::uint8_t RequestInsert = 1;
inline constexpr std::uint8_t RequestChange = 2;
inline constexpr std::uint8_t RequestDelete = 3;
inline constexpr std::uint8_t RequestSelect = 4;

/// What a procedure answers its caller (RESPONSE); 0 while not yet set.
inline constexpr std::uint8_t ResponseCompleted = 1;
inline constexpr std::uint8_t ResponseCancelled = 2;

/// What a form does once it has inserted a record (insertAction).
inline constexpr std::uint8_t kInsertCloses = 2;  ///< answers "completed" and closes
inline constexpr std::uint8_t kInsertAnother = 3; ///< clears the form for another record
inline constexpr std::uint8_t kInsertAsks = 4;    ///< asks whether another is wanted

/// How a form deletes its record as it is prepared (deleteAction); with any other value the
/// record is deleted when the form completes.
inline constexpr std::uint8_t kDeleteAsking = 2;
inline constexpr std::uint8_t kDeleteWithoutAsking = 4;

/// What closing a form with a changed record does (cancelAction bits; 0: nothing). With
/// kCancelSaves the change is saved instead, after asking when kCancelAsks is set too; without
/// it the user is asked whether the changes may be lost.
inline constexpr std::uint8_t kCancelSaves = 0x01;
inline constexpr std::uint8_t kCancelAsks = 0x02;

/// Messages the window manager raises or asks (numbers of the error manager's built-in table).
inline constexpr std::uint16_t kMessageAddAnother = 3;   ///< the record is saved: another one?
inline constexpr std::uint16_t kMessageChangesLost = 8;  ///< the changes will be lost: cancel?
inline constexpr std::uint16_t kMessageDeleteError = 33; ///< a delete failed: retry?
inline constexpr std::uint16_t kMessageUpdateError = 34; ///< a write failed: retry?
inline constexpr std::uint16_t kMessageSaveChanges = 35; ///< save the changed record?

/// Levels the handler methods answer.
inline constexpr std::uint32_t LevelOk = 0;
inline constexpr std::uint32_t LevelFatal = 3; ///< leave the ACCEPT loop
inline constexpr std::uint32_t LevelCancel = 4;
inline constexpr std::uint32_t LevelNotify = 5; ///< the event is handled: skip the default

// --- what a window manager works with -------------------------------------------------------
// A form's browse lists, file drop lists, toolbar targets, translator, resizer and primary file
// are separate classes; the window manager needs only the operations below of them.

/// A browse list of the window.
class BrowseList {
public:
    virtual ~BrowseList() = default;
    virtual void TakeEvent() = 0;
    /// Whether the list must be reset after the event it took.
    virtual bool NeedsRefresh() = 0;
    virtual void ResetSort(std::uint8_t force) = 0;
    virtual void UpdateWindow() = 0;
    virtual void SetAlerts() = 0;
    virtual void UpdateBuffer() = 0;
    virtual void Kill() = 0;
};

/// A drop list filled from a file.
class FileDropList {
public:
    virtual ~FileDropList() = default;
    virtual void TakeEvent() = 0;
    virtual void ResetQueue(std::uint8_t force) = 0;
    virtual void Kill() = 0;
};

/// Something a toolbar can work on (a browse, a form).
class ToolbarTarget {
public:
    virtual ~ToolbarTarget() = default;
    /// Shows the toolbar's buttons as this target wants them.
    virtual void DisplayButtons() = 0;
    /// Makes this target the toolbar's.
    virtual void TakeToolbar() = 0;
    /// Takes the toolbar when this target wants it now; answers whether it did.
    virtual bool TryTakeToolbar() = 0;
    /// Takes a toolbar event; a scrolling request is left in `scrollRequest`.
    virtual void TakeEvent(std::int32_t* scrollRequest) = 0;
};

/// Passes the toolbar's events to the target that holds it.
class ToolbarRelay {
public:
    struct Entry {
        std::int32_t id = 0;
        ToolbarTarget* item = nullptr;
    };

    virtual ~ToolbarRelay() = default;

    /// Creates the list of targets; its current entry has id 0.
    void Init();
    /// Adds a target under `id`; it becomes current.
    void AddTarget(ToolbarTarget& target, std::int32_t id);
    /// Hands the toolbar to a target: with an id, to that target; with 0, every target is
    /// offered it in turn and the last that took it becomes current (the last offered when
    /// none did).
    void SetTarget(std::int32_t id);

    /// Shows the current target's buttons.
    virtual void DisplayButtons();
    /// Disposes of the list.
    virtual void Kill();
    /// The current target takes the event (nothing when there are no targets).
    virtual void TakeEvent(std::int32_t* scrollRequest);

    /// The target list, null before Init and after Kill.
    const std::vector<Entry>* List() const { return m_list ? &*m_list : nullptr; }

private:
    std::optional<std::vector<Entry>> m_list;
    std::size_t m_current = 0;
};

/// Translates a window's texts.
class Translator {
public:
    virtual ~Translator() = default;
    virtual void TranslateWindow() = 0;
};

/// Keeps a window's controls in place as it is resized.
class WindowResizer {
public:
    virtual ~WindowResizer() = default;
    virtual void Kill() = 0;
};

/// A file whose record buffer a form saves and restores.
class BufferedFile {
public:
    virtual ~BufferedFile() = default;
    /// Saves a copy of the record buffer and answers its id.
    virtual std::uint16_t SaveBuffer() = 0;
    /// Puts the saved copy back into the record buffer and releases it.
    virtual void RestoreBuffer(std::uint16_t id) = 0;
};

/// The primary file of a form (its relation manager and file manager together): the record
/// the form inserts, changes or deletes.
class PrimaryFile : public BufferedFile {
public:
    /// Whether the record buffer still equals the saved copy `id`.
    virtual bool EqualsBuffer(std::uint16_t id) = 0;
    /// Makes sure the file is in use and primes the linking fields of its relations.
    virtual void Prepare() = 0;
    /// Inserts the record buffer; 0 on success.
    virtual std::uint32_t Insert() = 0;
    /// Writes the changed record (recording history when asked); 0 on success, 1 when the
    /// write failed in a way the user may retry.
    virtual std::uint32_t Update(bool withHistory) = 0;
    /// Deletes the record, asking first when `ask` is set; 0 when it was deleted.
    virtual std::uint32_t Delete(bool ask) = 0;
    /// Gives back the auto-numbered record an abandoned insert took; non-zero when it could
    /// not.
    virtual std::uint32_t CancelAutoInc() = 0;
    /// Clears the buffer for a new record; non-zero when it cannot be done.
    virtual std::uint32_t PrimeRecord() = 0;
    /// The position of the record in the buffer, and reading it again from there.
    virtual std::string Position() = 0;
    virtual void Reget(const std::string& position) = 0;
};

// --- the window manager ---------------------------------------------------------------------

class WindowManager {
public:
    /// A button that answers the caller: accepting `control` closes the window with `action`.
    struct ResponseButton {
        std::int32_t control = 0;
        std::uint8_t action = 0;
    };
    /// A field the user can restore from the copy taken when the record was loaded.
    struct HistoryField {
        value::ValueReference field;
        std::string saved; ///< the field's bytes as they were remembered
        std::int32_t control = 0;
    };
    /// A further file whose buffer the form keeps.
    struct SavedFile {
        BufferedFile* file = nullptr;
        std::uint16_t saved = 0;
    };

    WindowManager() = default;
    virtual ~WindowManager() = default;
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    // Virtual methods, in their slot order.

    /// Runs the window's ACCEPT loop, each event through OnEvent; nothing once killed.
    virtual void Ask();
    /// Defaults and lists; a derived Init calls it first and opens the window. 0 on success.
    virtual std::uint32_t Init();
    /// Takes everything down; LevelNotify when already dead or never initialised.
    virtual std::uint32_t Kill();
    /// Translates and refreshes the window the first time it is shown.
    virtual void Open();
    /// Sets the fields of a new record (a hook).
    virtual void PrepareFields() { }
    /// Readies the primary file for the request.
    virtual std::uint32_t PrepareUpdate();
    /// Resets the browses and file drops and redisplays every control.
    virtual void Reset(std::uint8_t force);
    /// Restores the history field of `control` from its saved copy.
    virtual void RecallField(std::int32_t control);
    /// Init, then Ask when Init succeeded, then Kill; answers RESPONSE, or 2 when unset.
    virtual std::uint8_t Run();
    /// Starts a numbered procedure (a hook): always ResponseCancelled.
    virtual std::uint8_t RunProcedure() { return ResponseCancelled; }
    virtual void SetKeyAlerts();
    /// Answers the caller with `response` and closes the window.
    virtual void SetResponse(std::uint8_t response);
    virtual std::uint32_t OnAccepted();
    virtual std::uint32_t OnCompleted();
    virtual std::uint32_t OnCloseEvent();
    virtual std::uint32_t OnEvent();
    virtual std::uint32_t OnFieldEvent() { return LevelOk; }
    virtual std::uint32_t OnNewSelection();
    virtual std::uint32_t OnRejected();
    virtual std::uint32_t OnSelected() { return LevelOk; }
    virtual std::uint32_t OnWindowEvent();
    /// Every browse stores its selection.
    virtual void Update();

    /// Makes `toolbar` the window's toolbar and initialises it.
    void AttachToolbar(ToolbarRelay& toolbar);
    /// Copies every history field into its saved copy.
    void RememberFields();
    /// Completes the form: an accept-all pass for an insert or change, else "completed".
    void StartCompletion();

    // Fields. A derived procedure sets what its Init needs; the rest are the class's own.
    std::uint8_t autoRefresh = 0; ///< reset the window after an event when a browse needs it
    std::uint8_t autoToolbar = 0; ///< a new selection may re-target the toolbar
    std::optional<std::vector<BrowseList*>> browses;
    std::optional<std::vector<ResponseButton>> buttons;
    std::optional<std::vector<FileDropList*>> fileDrops;
    std::uint8_t cancelAction = 0; ///< kCancelSaves, kCancelAsks
    std::uint8_t changeAction = 0;
    std::uint8_t dead = 0;         ///< set by Kill
    std::uint8_t deleteAction = 0; ///< kDeleteAsking, kDeleteWithoutAsking
    ErrorManager* errors = nullptr;
    std::optional<std::vector<SavedFile>> files;
    std::int32_t firstField = 0; ///< focused on opening and after a refused completion
    std::uint8_t forcedReset = 0;
    std::uint8_t resetOnGainFocus = 0;
    std::optional<std::vector<HistoryField>> history;
    std::int32_t historyKey = 0;   ///< the key that restores a history field; 0: none
    std::uint8_t inited = 0;       ///< kInitedOpened, kInitedResized
    std::uint8_t insertAction = 0; ///< kInsertCloses, kInsertAnother, kInsertAsks
    std::string lastInsertedPosition;
    std::int32_t okControl = 0; ///< accepting it completes the form
    std::uint8_t opened = 0;    ///< set by the derived Init once the window is open
    std::uint8_t originalRequest = 0;
    PrimaryFile* primary = nullptr;
    std::uint8_t request = 0;
    WindowResizer* resize = nullptr;
    std::uint8_t response = 0;
    std::uint16_t saved = 0; ///< the primary buffer's saved copy
    ToolbarRelay* toolbar = nullptr;
    Translator* translator = nullptr;
    std::int32_t* vcrRequest = nullptr; ///< where the toolbar leaves its scrolling request

    static constexpr std::uint8_t kInitedOpened = 0x01;
    static constexpr std::uint8_t kInitedResized = 0x02;

protected:
    /// The window the manager works on: the thread's target or current window.
    static window::Window* OwnWindow();

private:
    std::uint32_t CompleteInsert();
    void CompleteChange();
    void CompleteDelete();
    void SelectFirstField() const;
    void DisplayAll() const;
};

} // namespace framework
