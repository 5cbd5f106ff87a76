#include "WindowManager.h"

#include "ErrorManager.h"

#include <platform/Display.h>
#include <value/BindScope.h>
#include <window/Engine.h>
#include <window/EventCodes.h>
#include <window/MessageBox.h>
#include <window/Window.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace framework {

namespace event = window::event;

namespace {

/// The toolbar's history button: restores the focused history field.
constexpr std::int32_t kToolbarHistoryControl = 2011;

/// The control type whose new selection resets the window and may re-target the toolbar. It is
/// not one of the kinds this program's windows are built from (those are 2, 8, 9, 10, 12, 13,
/// 14, 17, 33, 34 and 39: a list is 14), so here a new selection resets nothing.
constexpr std::int32_t kSelectionResetsType = 37;

/// Key codes (low 11 bits) an ACCEPT loop must not see as the first keystroke of a new window.
constexpr std::uint32_t kDroppedStartKeys[] = { 2, 130 };

using window::kButtonCancel;
using window::kButtonNo;
using window::kButtonYes;

/// The buttons of the error manager's questions.
constexpr std::uint32_t kYesNoCancel = kButtonYes | kButtonNo | kButtonCancel;

/// Shows the wait cursor for its lifetime.
class WaitCursor {
public:
    WaitCursor() { platform::ShowWaitCursor(); }
    ~WaitCursor() { platform::RestoreCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

bool IsBlank(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

} // namespace

// --- the toolbar relay -------------------------------------------------------------------------

void ToolbarRelay::Init()
{
    m_list.emplace();
    m_current = 0;
}

void ToolbarRelay::AddTarget(ToolbarTarget& target, std::int32_t id)
{
    if (!m_list)
        return;
    m_list->push_back(Entry { id, &target });
    m_current = m_list->size() - 1;
}

void ToolbarRelay::SetTarget(std::int32_t id)
{
    if (!m_list || m_list->empty())
        return;
    if (id != 0) {
        const auto found = std::find_if(
            m_list->begin(), m_list->end(), [id](const Entry& entry) { return entry.id == id; });
        if (found != m_list->end()) {
            m_current = static_cast<std::size_t>(found - m_list->begin());
            found->item->TakeToolbar();
        }
        return;
    }
    std::optional<std::size_t> taken;
    for (std::size_t index = 0; index < m_list->size(); ++index) {
        if ((*m_list)[index].item->TryTakeToolbar())
            taken = index;
    }
    m_current = taken.value_or(m_list->size() - 1);
}

void ToolbarRelay::DisplayButtons()
{
    if (m_list && !m_list->empty())
        (*m_list)[m_current].item->DisplayButtons();
}

void ToolbarRelay::Kill()
{
    m_list.reset();
    m_current = 0;
}

void ToolbarRelay::TakeEvent(std::int32_t* scrollRequest)
{
    if (m_list && !m_list->empty())
        (*m_list)[m_current].item->TakeEvent(scrollRequest);
}

// --- running the window ------------------------------------------------------------------------

std::uint8_t WindowManager::Run()
{
    if (Init() == LevelOk)
        Ask();
    Kill();
    return response != 0 ? response : ResponseCancelled;
}

std::uint32_t WindowManager::Init()
{
    originalRequest = request;
    browses.emplace();
    buttons.emplace();
    fileDrops.emplace();
    value::PushBindScope();
    const std::uint32_t key = window::KeyCode();
    if (std::find(std::begin(kDroppedStartKeys), std::end(kDroppedStartKeys), key)
        != std::end(kDroppedStartKeys))
        window::SetKeyCode(0);
    insertAction = kInsertCloses;
    deleteAction = kDeleteAsking;
    changeAction = 1;
    cancelAction = kCancelSaves | kCancelAsks;
    autoToolbar = 1;
    autoRefresh = 1;
    return LevelOk;
}

void WindowManager::Ask()
{
    if (dead != 0)
        return;
    lastInsertedPosition.clear();
    window::Accept([this] {
        switch (OnEvent()) {
        case LevelFatal:
            return -1;
        case LevelNotify:
            return 1;
        default:
            return 0;
        }
    });
}

std::uint32_t WindowManager::Kill()
{
    if (dead != 0 || !browses)
        return LevelNotify;
    for (BrowseList* browse : *browses)
        browse->Kill();
    browses.reset();
    if (fileDrops) {
        for (FileDropList* drop : *fileDrops)
            drop->Kill();
        fileDrops.reset();
    }
    buttons.reset();
    history.reset();
    if (files) {
        for (const SavedFile& file : *files)
            file.file->RestoreBuffer(file.saved);
        files.reset();
    }
    if (primary != nullptr)
        primary->RestoreBuffer(saved);
    if (toolbar != nullptr)
        toolbar->Kill();
    if (resize != nullptr)
        resize->Kill();
    dead = 1;
    value::PopBindScope();
    return LevelOk;
}

// --- events ------------------------------------------------------------------------------------

std::uint32_t WindowManager::OnEvent()
{
    std::uint32_t level = LevelOk;
    const std::int32_t field = window::EventField();
    if (field == 0) {
        level = OnWindowEvent();
        if (level != LevelOk)
            return level;
    }
    switch (window::CurrentEvent()) {
    case event::kAccepted:
        level = OnAccepted();
        break;
    case event::kRejected:
        level = OnRejected();
        break;
    case event::kSelected:
        level = OnSelected();
        break;
    case event::kNewSelection:
        level = OnNewSelection();
        break;
    case event::kAlertKey:
        if (historyKey != 0 && historyKey == static_cast<std::int32_t>(window::KeyCode()))
            RecallField(window::FocusField());
        break;
    default:
        break;
    }
    if (level != LevelOk)
        return level;
    if (field != 0)
        level = OnFieldEvent();
    for (BrowseList* browse : browses.value_or(std::vector<BrowseList*> {}))
        browse->TakeEvent();
    for (FileDropList* drop : fileDrops.value_or(std::vector<FileDropList*> {}))
        drop->TakeEvent();
    if (autoRefresh != 0 && browses) {
        for (BrowseList* browse : *browses) {
            if (browse->NeedsRefresh())
                Reset(0);
        }
    }
    return level;
}

std::uint32_t WindowManager::OnWindowEvent()
{
    switch (window::CurrentEvent()) {
    case event::kOpenWindow:
        if ((inited & kInitedOpened) == 0)
            Open();
        if (firstField != 0)
            window::SelectFields(firstField);
        break;
    case event::kLoseFocus:
        if (resetOnGainFocus != 0)
            forcedReset = 1;
        break;
    case event::kGainFocus:
        if ((inited & kInitedOpened) != 0)
            Reset(0);
        else
            Open();
        break;
    case event::kSized:
        if ((inited & kInitedResized) != 0)
            Reset(0);
        else
            inited |= kInitedResized; // the first size after opening is the window's own
        break;
    case event::kCompleted:
        return OnCompleted();
    case event::kCloseWindow:
    case event::kCloseDown:
        return OnCloseEvent();
    default:
        break;
    }
    return LevelOk;
}

std::uint32_t WindowManager::OnAccepted()
{
    const std::int32_t accepted = window::AcceptedField();
    if (toolbar != nullptr) {
        toolbar->TakeEvent(vcrRequest);
        if (accepted == kToolbarHistoryControl)
            RecallField(window::FocusField());
    }
    if (buttons) {
        for (const ResponseButton& button : *buttons) {
            if (button.control == accepted) {
                SetResponse(button.action);
                return LevelNotify;
            }
        }
    }
    if (okControl != 0 && okControl == accepted)
        StartCompletion();
    return LevelOk;
}

void WindowManager::SetResponse(std::uint8_t answer)
{
    response = answer;
    window::PostEvent(event::kCloseWindow);
    if (answer == ResponseCancelled && toolbar != nullptr && vcrRequest != nullptr)
        *vcrRequest = 0;
}

void WindowManager::StartCompletion()
{
    window::WindowObject* current = window::CurrentWindow();
    if ((originalRequest == RequestInsert || originalRequest == RequestChange)
        && current != nullptr)
        window::StartAcceptAll(*current);
    else
        window::PostEvent(event::kCompleted);
}

std::uint32_t WindowManager::OnRejected()
{
    const std::int32_t field = window::EventField();
    if (window::Window* own = OwnWindow()) {
        own->Beep();
        own->Display(field);
    } else {
        platform::Beep();
    }
    window::SelectFields(field);
    return LevelOk;
}

std::uint32_t WindowManager::OnNewSelection()
{
    window::Window* own = OwnWindow();
    if (own != nullptr
        && own->Property(window::EventField(), window::property::kType) == kSelectionResetsType) {
        Reset(0);
        if (autoToolbar != 0 && toolbar != nullptr)
            toolbar->SetTarget(0);
    }
    return LevelOk;
}

// --- the window's content ----------------------------------------------------------------------

void WindowManager::Open()
{
    if (translator != nullptr)
        translator->TranslateWindow();
    Reset(0);
    inited |= kInitedOpened;
}

void WindowManager::Reset(std::uint8_t force)
{
    window::Window* own = OwnWindow();
    if (own != nullptr && own->Property(0, window::property::kAcceptAll).value_or(0) != 0)
        return; // an accept-all pass is checking the fields: leave them as they are
    force = static_cast<std::uint8_t>(force + forcedReset);
    forcedReset = 0;
    if (browses) {
        for (BrowseList* browse : *browses)
            browse->ResetSort(force);
        for (BrowseList* browse : *browses)
            browse->UpdateWindow();
    }
    if (fileDrops) {
        for (FileDropList* drop : *fileDrops)
            drop->ResetQueue(force);
    }
    DisplayAll();
}

void WindowManager::SetKeyAlerts()
{
    if (browses) {
        for (BrowseList* browse : *browses)
            browse->SetAlerts();
    }
    window::Window* own = OwnWindow();
    if (!history || own == nullptr)
        return;
    for (const HistoryField& entry : *history)
        own->SetProperty(
            entry.control, window::property::kAlertKey, historyKey, window::property::kAddIndex);
}

void WindowManager::RecallField(std::int32_t control)
{
    if (!history)
        return;
    const auto found = std::find_if(history->begin(), history->end(),
        [control](const HistoryField& entry) { return entry.control == control; });
    if (found == history->end())
        return;
    // A field shown by several controls in a row was remembered by the first of them only.
    auto remembered = found;
    while (remembered != history->begin()
        && std::prev(remembered)->field.Address() == found->field.Address())
        --remembered;
    std::memcpy(found->field.Address(), remembered->saved.data(),
        std::min<std::size_t>(remembered->saved.size(), found->field.Size()));
    if (window::Window* own = OwnWindow())
        own->Display(control);
}

void WindowManager::RememberFields()
{
    if (!history)
        return;
    const void* previous = nullptr;
    for (HistoryField& entry : *history) {
        if (entry.field.Address() == previous)
            continue; // the same field under another control: remembered already
        previous = entry.field.Address();
        const char* bytes = static_cast<const char*>(entry.field.Address());
        entry.saved.assign(bytes, bytes + entry.field.Size());
    }
}

void WindowManager::Update()
{
    if (browses) {
        for (BrowseList* browse : *browses)
            browse->UpdateBuffer();
    }
}

void WindowManager::AttachToolbar(ToolbarRelay& relay)
{
    toolbar = &relay;
    relay.Init();
}

window::Window* WindowManager::OwnWindow()
{
    return dynamic_cast<window::Window*>(window::TargetWindow());
}

void WindowManager::SelectFirstField() const
{
    window::SelectFields(firstField);
}

void WindowManager::DisplayAll() const
{
    if (window::Window* own = OwnWindow())
        own->Refresh();
}

// --- forms that edit a record ------------------------------------------------------------------

std::uint32_t WindowManager::PrepareUpdate()
{
    if (primary == nullptr)
        return LevelOk; // a procedure without a primary file has nothing to prepare
    primary->Prepare();
    if (files) {
        for (SavedFile& file : *files)
            file.saved = file.file->SaveBuffer();
    }
    std::uint32_t level = LevelOk;
    if (request == RequestInsert && insertAction != 0) {
        response = ResponseCompleted;
        PrepareFields();
        if (response == ResponseCancelled)
            level = LevelFatal;
        else
            response = ResponseCancelled;
    } else if (request == RequestDelete
        && (deleteAction == kDeleteAsking || deleteAction == kDeleteWithoutAsking)) {
        response = primary->Delete(deleteAction == kDeleteAsking) == 0 ? ResponseCompleted
                                                                       : ResponseCancelled;
        level = LevelFatal;
    }
    saved = primary->SaveBuffer();
    return level;
}

std::uint32_t WindowManager::OnCompleted()
{
    RememberFields();
    if (primary == nullptr)
        return LevelOk;
    switch (request) {
    case RequestInsert:
        return CompleteInsert();
    case RequestChange:
        CompleteChange();
        break;
    case RequestDelete:
        CompleteDelete();
        break;
    default:
        break;
    }
    return LevelOk;
}

std::uint32_t WindowManager::CompleteInsert()
{
    if (primary->Insert() != 0) {
        SelectFirstField();
        return LevelNotify;
    }
    switch (insertAction) {
    case kInsertCloses:
        SetResponse(ResponseCompleted);
        return LevelOk;
    case kInsertAsks:
        if (errors == nullptr || errors->Raise(kMessageAddAnother) != 0) {
            SetResponse(ResponseCompleted);
            return LevelOk;
        }
        [[fallthrough]]; // another record is wanted
    case kInsertAnother:
        lastInsertedPosition = primary->Position();
        if (files) {
            for (SavedFile& file : *files) {
                file.file->RestoreBuffer(file.saved);
                file.saved = file.file->SaveBuffer();
            }
        }
        primary->RestoreBuffer(saved);
        if (primary->PrimeRecord() != 0) {
            window::PostEvent(event::kCloseWindow);
        } else {
            PrepareFields();
            response = ResponseCancelled;
        }
        saved = primary->SaveBuffer();
        DisplayAll();
        SelectFirstField();
        return LevelNotify;
    default:
        return LevelOk;
    }
}

void WindowManager::CompleteChange()
{
    for (;;) {
        response = ResponseCancelled;
        bool unchanged = false;
        std::uint32_t result = 0;
        {
            const WaitCursor wait;
            unchanged = primary->EqualsBuffer(saved);
            if (!unchanged)
                result = primary->Update(historyKey != 0);
        }
        if (result == 0) {
            const bool scrolling = vcrRequest != nullptr && *vcrRequest != 0;
            if (!(unchanged && scrolling))
                response = ResponseCompleted;
            window::PostEvent(event::kCloseWindow);
            return;
        }
        if (result == 1 && errors != nullptr) {
            const std::uint32_t answer
                = errors->Ask(kMessageUpdateError, kYesNoCancel, kButtonCancel);
            if (answer == kButtonYes)
                continue;
            if (answer == kButtonNo) {
                window::PostEvent(event::kCloseWindow);
                return;
            }
        }
        DisplayAll();
        SelectFirstField();
        return;
    }
}

void WindowManager::CompleteDelete()
{
    for (;;) {
        response = ResponseCancelled;
        std::uint32_t answer = 0;
        {
            const WaitCursor wait;
            answer = primary->Delete(true);
        }
        if (answer == 0) {
            SetResponse(ResponseCompleted);
            return;
        }
        // A question that could not be shown counts as Cancel: asking again would never end.
        const std::uint32_t choice = errors != nullptr
            ? errors->Ask(kMessageDeleteError, kYesNoCancel, kButtonCancel)
            : kButtonCancel;
        if (choice == kButtonNo) {
            window::PostEvent(event::kCloseWindow);
            return;
        }
        if (choice == kButtonCancel || choice == 0) {
            DisplayAll();
            SelectFirstField();
            return;
        }
    }
}

std::uint32_t WindowManager::OnCloseEvent()
{
    if (response == ResponseCompleted || primary == nullptr)
        return LevelOk;
    if (cancelAction != 0 && (request == RequestInsert || request == RequestChange)
        && !primary->EqualsBuffer(saved)) {
        if ((cancelAction & kCancelSaves) != 0) {
            const std::uint32_t answer = (cancelAction & kCancelAsks) == 0 ? kButtonYes
                : errors != nullptr ? errors->Ask(kMessageSaveChanges, kYesNoCancel, kButtonCancel)
                                    : kButtonCancel;
            if (answer == kButtonYes) {
                window::PostEvent(event::kAccepted, okControl);
                return LevelNotify;
            }
            if (answer != kButtonNo) {
                SelectFirstField();
                return LevelNotify;
            }
        } else if (errors != nullptr && errors->Raise(kMessageChangesLost) == LevelCancel) {
            SelectFirstField();
            return LevelNotify;
        }
    }
    if (originalRequest == RequestInsert && response == ResponseCancelled
        && primary->CancelAutoInc() != 0) {
        SelectFirstField();
        return LevelNotify;
    }
    if (!IsBlank(lastInsertedPosition)) {
        response = ResponseCompleted;
        primary->Reget(lastInsertedPosition);
    }
    return LevelOk;
}

} // namespace framework
