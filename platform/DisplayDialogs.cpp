#include "DisplayDialogs.h"

#include "DisplayControls.h"
#include "DisplayLook.h"
#include "DisplayRegistry.h"
#include "DisplayText.h"
#include "DisplayWindows.h"

#include <QCloseEvent>
#include <QDialog>
#include <QPushButton>

#include <optional>

namespace platform::display {

namespace {

/// A dialog built from a template. It never runs a loop of its own: pressing a button ends it
/// and posts the answer to the thread that opened it.
class TemplateDialog final : public QDialog {
public:
    TemplateDialog(QWidget* parent, std::uint32_t escapeId)
        : QDialog(parent)
        , m_escapeId(escapeId)
    {
    }

    /// Ends the dialog with `answer`, once.
    void Finish(std::uint32_t answer)
    {
        if (m_finished)
            return;
        m_finished = true;
        if (const Entry* entry = FindEntry(HandleOf(this))) {
            Message message;
            message.message = Msg::kDialogFinished;
            message.id = entry->window;
            message.wParam = answer;
            if (entry->queue != nullptr) {
                message.window = m_owner;
                entry->queue->Post(std::move(message));
            }
        }
        hide();
        deleteLater();
    }

    void SetOwner(WindowHandle owner) { m_owner = owner; }
    std::uint32_t EscapeId() const { return m_escapeId; }

    void reject() override
    {
        if (m_escapeId != 0)
            Finish(m_escapeId);
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        if (m_escapeId != 0)
            Finish(m_escapeId);
    }

private:
    std::uint32_t m_escapeId;
    WindowHandle m_owner = 0;
    bool m_finished = false;
};

std::optional<std::uint32_t>& NextDialogAnswer()
{
    static std::optional<std::uint32_t> answer;
    return answer;
}

/// Makes the template's controls inside `box`; its buttons end it with their ids.
void MakeDialogControls(TemplateDialog* box, WindowHandle handle, const DialogTemplate& dialog)
{
    for (ControlOptions control : dialog.controls) {
        control.parent = handle;
        const WindowHandle made = CreateControlOnGui(control, true);
        if (made == 0)
            continue;
        if (control.kind == ControlKind::Button) {
            auto* button = qobject_cast<QPushButton*>(FindEntry(made)->widget.data());
            const std::uint32_t id = control.id;
            QObject::connect(button, &QPushButton::clicked, box, [box, id] { box->Finish(id); });
        }
    }
}

} // namespace

WindowHandle OpenDialogOnGui(const DialogTemplate& dialog, std::shared_ptr<MessageQueue> queue)
{
    Prune();
    const WindowHandle ownerHandle = dialog.owner != 0 ? dialog.owner : FirstFrame();
    QWidget* ownerWidget = nullptr;
    if (ownerHandle != 0) {
        Entry* owner = FindEntry(ownerHandle);
        if (owner == nullptr)
            return 0;
        ownerWidget = owner->widget->window();
    }
    auto* box = new TemplateDialog(ownerWidget, dialog.escapeId);
    box->setWindowTitle(FromAnsi(dialog.title));
    if (IsGiven(dialog.font))
        box->setFont(ToQFont(dialog.font, box->font()));
    box->SetOwner(ownerHandle);
    Entry entry;
    entry.kind = EntryKind::Dialog;
    entry.queue = std::move(queue);
    entry.client = box;
    const WindowHandle handle = Register(box, std::move(entry));
    MakeDialogControls(box, handle, dialog);
    if (!IsDefault(dialog.rect.width) && !IsDefault(dialog.rect.height))
        box->setFixedSize(dialog.rect.width, dialog.rect.height);
    else
        box->adjustSize();
    if (!IsDefault(dialog.rect.x) && !IsDefault(dialog.rect.y))
        box->move(dialog.rect.x, dialog.rect.y);
    if (dialog.systemModal) {
        box->setWindowModality(Qt::ApplicationModal);
        box->show();
    } else {
        box->open();
    }
    if (std::optional<std::uint32_t>& answer = NextDialogAnswer(); answer) {
        const std::uint32_t id = *answer;
        answer.reset();
        QMetaObject::invokeMethod(
            box, [handle, id] { PressDialogButton(handle, id); }, Qt::QueuedConnection);
    }
    return handle;
}

void SetNextDialogAnswer(std::uint32_t buttonId)
{
    NextDialogAnswer() = buttonId;
}

void ForgetNextDialogAnswer()
{
    NextDialogAnswer().reset();
}

void PressDialogButton(WindowHandle dialog, std::uint32_t buttonId)
{
    const Entry* entry = FindEntry(dialog);
    auto* box = entry != nullptr ? dynamic_cast<TemplateDialog*>(entry->widget.data()) : nullptr;
    if (box == nullptr)
        return;
    for (const auto& [handle, control] : Entries()) {
        if (control.kind == EntryKind::Control && control.window == dialog && control.id == buttonId
            && !control.widget.isNull()) {
            if (auto* button = qobject_cast<QPushButton*>(control.widget.data())) {
                if (button->isEnabled())
                    button->click();
                return;
            }
        }
    }
    if (buttonId != 0 && buttonId == box->EscapeId())
        box->Finish(buttonId);
}

} // namespace platform::display

namespace platform {

WindowHandle OpenDialog(const DialogTemplate& dialog)
{
    if (!DisplayRunning())
        return 0;
    std::shared_ptr<MessageQueue> queue = CurrentThreadQueue();
    return display::OnGui<WindowHandle>(
        0, [&dialog, &queue] { return display::OpenDialogOnGui(dialog, queue); });
}

} // namespace platform
