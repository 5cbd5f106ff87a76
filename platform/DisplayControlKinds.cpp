#include "DisplayControls.h"
#include "DisplayEditing.h"
#include "DisplayLook.h"
#include "DisplayRegistry.h"
#include "DisplayText.h"
#include "DisplayWidgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextDocument>

#include <algorithm>
#include <limits>

// One adapter per control kind. What every kind shares (font, colours, place, enabled,
// accessible name, focus policy, registration) is done by CreateControlOnGui.

namespace platform::display {

void ControlAdapter::Connect(QWidget&, WindowHandle) const
{
}

void ControlAdapter::SetText(QWidget& widget, const QString& text) const
{
    widget.setWindowTitle(text);
}

QString ControlAdapter::Text(const QWidget& widget) const
{
    return widget.windowTitle();
}

QString ControlAdapter::EditedText(const QWidget&) const
{
    return QString();
}

bool ControlAdapter::Edit(QWidget&, const QWidget&, EditCommand) const
{
    return false;
}

void ControlAdapter::SetChecked(QWidget&, bool) const
{
}

bool ControlAdapter::IsChecked(const QWidget&) const
{
    return false;
}

void ControlAdapter::SetIcon(QWidget&, StandardIcon) const
{
}

namespace {

/// An edit's limit as the toolkit takes it: at most 32767 characters.
int EditLimit(std::uint32_t maxLength)
{
    return static_cast<int>(std::min<std::uint32_t>(maxLength, 32767));
}

/// A text (ControlKind::Static): a label the keyboard never reaches. A text longer than its
/// control's width breaks between words onto the lines below, as the system's static texts do:
/// a message box is measured for those lines.
class TextAdapter : public ControlAdapter {
public:
    QWidget* Make(const ControlOptions& options, QWidget* parent, bool) const override
    {
        auto* label = new QLabel(FromAnsi(options.text), parent);
        label->setAlignment(AlignmentOf(options.alignment));
        label->setWordWrap(true);
        return label;
    }
    void SetText(QWidget& widget, const QString& text) const override
    {
        static_cast<QLabel&>(widget).setText(text);
    }
    QString Text(const QWidget& widget) const override
    {
        return static_cast<const QLabel&>(widget).text();
    }
    void Describe(const QWidget& widget, ControlOptions& options) const override
    {
        const auto& label = static_cast<const QLabel&>(widget);
        options.text = ToAnsi(label.text());
        options.alignment = AlignmentFrom(label.alignment());
    }
    bool TakesFocus() const override { return false; }
    bool TakesKeyboardInput() const override { return false; }
};

/// The standard icon an icon control shows, and whether it was made with a size of its own.
const char* const kIconProperty = "varnIcon";
const char* const kIconSizedProperty = "varnIconSized";

/// One of the system's standard icons: a label showing the style's picture. A control made
/// with a size shows it no larger than the control (a larger picture would be cut off); one made
/// without takes the picture's size. Its tab stop is kept (Tab may rest on it), but it takes no
/// input.
class IconAdapter final : public TextAdapter {
public:
    QWidget* Make(const ControlOptions& options, QWidget* parent, bool) const override
    {
        auto* label = new QLabel(parent);
        const bool sized = !IsDefault(options.rect.width) && !IsDefault(options.rect.height);
        label->setProperty(kIconSizedProperty, sized);
        Show(*label, options.icon,
            sized ? std::min(options.rect.width, options.rect.height)
                  : std::numeric_limits<int>::max());
        return label;
    }
    void SetIcon(QWidget& widget, StandardIcon icon) const override
    {
        auto& label = static_cast<QLabel&>(widget);
        if (label.property(kIconSizedProperty).toBool()) {
            Show(label, icon, std::min(label.width(), label.height()));
        } else {
            Show(label, icon, std::numeric_limits<int>::max());
            label.adjustSize();
        }
    }
    void Describe(const QWidget& widget, ControlOptions& options) const override
    {
        TextAdapter::Describe(widget, options);
        options.icon = static_cast<StandardIcon>(widget.property(kIconProperty).toInt());
    }
    bool TakesFocus() const override { return true; }

private:
    /// Shows `icon` at its size, at most `room` pixels square; None (or no room) shows nothing.
    static void Show(QLabel& label, StandardIcon icon, int room)
    {
        label.setProperty(kIconProperty, static_cast<int>(icon));
        const int size = std::min(IconSizeOf(icon), room);
        if (icon == StandardIcon::None || size <= 0) {
            label.clear();
            return;
        }
        label.setPixmap(QApplication::style()->standardIcon(PixmapOf(icon)).pixmap(size, size));
    }
};

/// What push buttons and check boxes share: a caption, a click, a state.
class AbstractButtonAdapter : public ControlAdapter {
public:
    void Connect(QWidget& widget, WindowHandle handle) const override
    {
        QObject::connect(static_cast<QAbstractButton*>(&widget), &QAbstractButton::clicked, &widget,
            [handle] { PostCommand(handle, Notify::kClicked); });
    }
    void SetText(QWidget& widget, const QString& text) const override
    {
        static_cast<QAbstractButton&>(widget).setText(text);
    }
    QString Text(const QWidget& widget) const override
    {
        return static_cast<const QAbstractButton&>(widget).text();
    }
    void SetChecked(QWidget& widget, bool checked) const override
    {
        static_cast<QAbstractButton&>(widget).setChecked(checked);
    }
    bool IsChecked(const QWidget& widget) const override
    {
        return static_cast<const QAbstractButton&>(widget).isChecked();
    }
    void Describe(const QWidget& widget, ControlOptions& options) const override
    {
        options.text = ToAnsi(static_cast<const QAbstractButton&>(widget).text());
    }
};

/// A push button. In a template dialog Enter presses the focused one (auto-default); in a
/// window the display's own key handling does that.
class ButtonAdapter final : public AbstractButtonAdapter {
public:
    QWidget* Make(const ControlOptions& options, QWidget* parent, bool inDialog) const override
    {
        auto* button = new QPushButton(FromAnsi(options.text), parent);
        button->setAutoDefault(inDialog);
        button->setDefault(options.defaultButton);
        return button;
    }
    void Describe(const QWidget& widget, ControlOptions& options) const override
    {
        AbstractButtonAdapter::Describe(widget, options);
        options.defaultButton = static_cast<const QPushButton&>(widget).isDefault();
    }
};

class CheckBoxAdapter final : public AbstractButtonAdapter {
public:
    QWidget* Make(const ControlOptions& options, QWidget* parent, bool) const override
    {
        return new WholeCheckBox(FromAnsi(options.text), parent);
    }
};

/// A frame with a caption; the controls made inside it are its children.
class GroupBoxAdapter final : public ControlAdapter {
public:
    QWidget* Make(const ControlOptions& options, QWidget* parent, bool) const override
    {
        return new QGroupBox(FromAnsi(options.text), parent);
    }
    void SetText(QWidget& widget, const QString& text) const override
    {
        static_cast<QGroupBox&>(widget).setTitle(text);
    }
    QString Text(const QWidget& widget) const override
    {
        return static_cast<const QGroupBox&>(widget).title();
    }
    void Describe(const QWidget& widget, ControlOptions& options) const override
    {
        options.text = ToAnsi(static_cast<const QGroupBox&>(widget).title());
    }
    bool TakesFocus() const override { return false; }
    bool TakesKeyboardInput() const override { return false; }
    bool HoldsControls() const override { return true; }
};

/// A read-only entry's text as the program last set it.
const char* const kProgramTextProperty = "varnProgramText";

/// A single-line entry, kept to Windows-1250 and its limit.
class EditAdapter final : public ControlAdapter {
public:
    QWidget* Make(const ControlOptions& options, QWidget* parent, bool) const override
    {
        const QString text = FromAnsi(options.text);
        auto* edit = new QLineEdit(parent);
        edit->setValidator(new AnsiValidator(edit));
        if (options.maxLength != 0)
            edit->setMaxLength(EditLimit(options.maxLength));
        edit->setText(text);
        edit->setAlignment(AlignmentOf(options.alignment));
        edit->setFrame(options.border);
        edit->setReadOnly(options.readOnly);
        if (options.readOnly) {
            // Qt's accessibility interface writes an entry's text even when it is read-only:
            // whatever the program did not set is taken back at once.
            edit->setProperty(kProgramTextProperty, text);
            QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& now) {
                const QString set = edit->property(kProgramTextProperty).toString();
                if (now != set) {
                    const QSignalBlocker quiet(edit);
                    edit->setText(set);
                }
            });
        }
        return edit;
    }
    void Connect(QWidget& widget, WindowHandle handle) const override
    {
        QObject::connect(static_cast<QLineEdit*>(&widget), &QLineEdit::textChanged, &widget,
            [handle] { PostCommand(handle, Notify::kTextChanged); });
    }
    void SetText(QWidget& widget, const QString& text) const override
    {
        widget.setProperty(kProgramTextProperty, text);
        static_cast<QLineEdit&>(widget).setText(text);
    }
    QString Text(const QWidget& widget) const override
    {
        return static_cast<const QLineEdit&>(widget).text();
    }
    QString EditedText(const QWidget& widget) const override { return Text(widget); }
    bool Edit(QWidget& widget, const QWidget&, EditCommand command) const override
    {
        EditLine(static_cast<QLineEdit&>(widget), command);
        return true;
    }
    void Describe(const QWidget& widget, ControlOptions& options) const override
    {
        const auto& line = static_cast<const QLineEdit&>(widget);
        options.text = ToAnsi(line.text());
        options.border = line.hasFrame();
        options.maxLength = static_cast<std::uint32_t>(line.maxLength());
        options.readOnly = line.isReadOnly();
        options.alignment = AlignmentFrom(line.alignment());
    }
};

/// A text box: CR LF line breaks in the runtime's text, paragraphs in the widget's.
class TextBoxAdapter final : public ControlAdapter {
public:
    QWidget* Make(const ControlOptions& options, QWidget* parent, bool) const override
    {
        auto* edit = new AnsiTextEdit(parent, options.maxLength);
        QString plain = FromAnsi(options.text);
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        edit->setPlainText(plain);
        if (!options.border)
            edit->setFrameShape(QFrame::NoFrame);
        edit->setReadOnly(options.readOnly);
        return edit;
    }
    void Connect(QWidget& widget, WindowHandle handle) const override
    {
        QObject::connect(static_cast<QPlainTextEdit*>(&widget), &QPlainTextEdit::textChanged,
            &widget, [handle] { PostCommand(handle, Notify::kTextChanged); });
    }
    void SetText(QWidget& widget, const QString& text) const override
    {
        QString plain = text;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        static_cast<QPlainTextEdit&>(widget).setPlainText(plain);
    }
    QString Text(const QWidget& widget) const override
    {
        // Raw, so that a no-break space stays what it is; each line break is CR LF.
        QString value = EditedText(widget);
        value.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
        value.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
        return value;
    }
    QString EditedText(const QWidget& widget) const override
    {
        return static_cast<const QPlainTextEdit&>(widget).document()->toRawText();
    }
    bool Edit(QWidget& widget, const QWidget&, EditCommand command) const override
    {
        EditTextBox(static_cast<QPlainTextEdit&>(widget), command);
        return true;
    }
    void Describe(const QWidget& widget, ControlOptions& options) const override
    {
        const auto& box = static_cast<const QPlainTextEdit&>(widget);
        options.border = box.frameShape() != QFrame::NoFrame;
        options.readOnly = box.isReadOnly();
    }
};

/// A list. Its text is the current item's; the program's text for it is kept as its title.
class ListAdapter final : public ControlAdapter {
public:
    QWidget* Make(const ControlOptions& options, QWidget* parent, bool) const override
    {
        auto* list = new QListWidget(parent);
        if (!options.border)
            list->setFrameShape(QFrame::NoFrame);
        return list;
    }
    void Connect(QWidget& widget, WindowHandle handle) const override
    {
        QObject::connect(static_cast<QListWidget*>(&widget), &QListWidget::currentRowChanged,
            &widget, [handle] { PostCommand(handle, Notify::kSelectionChanged); });
    }
    QString Text(const QWidget& widget) const override
    {
        const QListWidgetItem* item = static_cast<const QListWidget&>(widget).currentItem();
        return item != nullptr ? item->text() : QString();
    }
    void Describe(const QWidget& widget, ControlOptions& options) const override
    {
        options.border = static_cast<const QListWidget&>(widget).frameShape() != QFrame::NoFrame;
    }
};

/// A drop list, or a combo (`editable`): a drop list whose entry the user may also type in.
class ComboAdapter final : public ControlAdapter {
public:
    explicit ComboAdapter(bool editable)
        : m_editable(editable)
    {
    }
    QWidget* Make(const ControlOptions& options, QWidget* parent, bool) const override
    {
        auto* combo = new QComboBox(parent);
        if (m_editable) {
            combo->setEditable(true);
            combo->lineEdit()->setValidator(new AnsiValidator(combo->lineEdit()));
            if (options.maxLength != 0)
                combo->lineEdit()->setMaxLength(EditLimit(options.maxLength));
            combo->setEditText(FromAnsi(options.text));
        }
        return combo;
    }
    void Connect(QWidget& widget, WindowHandle handle) const override
    {
        auto* combo = static_cast<QComboBox*>(&widget);
        QObject::connect(combo, &QComboBox::currentIndexChanged, combo,
            [handle] { PostCommand(handle, Notify::kSelectionChanged); });
        QObject::connect(combo, &QComboBox::editTextChanged, combo,
            [handle] { PostCommand(handle, Notify::kTextChanged); });
    }
    void SetText(QWidget& widget, const QString& text) const override
    {
        auto& combo = static_cast<QComboBox&>(widget);
        if (combo.isEditable())
            combo.setEditText(text);
        else
            combo.setCurrentIndex(combo.findText(text));
    }
    QString Text(const QWidget& widget) const override
    {
        return static_cast<const QComboBox&>(widget).currentText();
    }
    QString EditedText(const QWidget& widget) const override { return Text(widget); }
    bool Edit(QWidget& widget, const QWidget& focus, EditCommand command) const override
    {
        // Only its entry edits, and only while the focus is in the entry (not in the list
        // that drops down).
        auto& combo = static_cast<QComboBox&>(widget);
        if (!combo.isEditable() || (&focus != &combo && &focus != combo.lineEdit()))
            return false;
        EditLine(*combo.lineEdit(), command);
        return true;
    }
    void Describe(const QWidget&, ControlOptions&) const override { }

private:
    bool m_editable;
};

} // namespace

const ControlAdapter* AdapterFor(ControlKind kind)
{
    static const TextAdapter kText;
    static const ButtonAdapter kButton;
    static const CheckBoxAdapter kCheckBox;
    static const GroupBoxAdapter kGroupBox;
    static const EditAdapter kEdit;
    static const TextBoxAdapter kTextBox;
    static const ListAdapter kList;
    static const ComboAdapter kDropList(false);
    static const ComboAdapter kCombo(true);
    static const IconAdapter kIcon;
    switch (kind) {
    case ControlKind::Static:
        return &kText;
    case ControlKind::Button:
        return &kButton;
    case ControlKind::CheckBox:
        return &kCheckBox;
    case ControlKind::GroupBox:
        return &kGroupBox;
    case ControlKind::Edit:
        return &kEdit;
    case ControlKind::MultiLineEdit:
        return &kTextBox;
    case ControlKind::List:
        return &kList;
    case ControlKind::DropList:
        return &kDropList;
    case ControlKind::Combo:
        return &kCombo;
    case ControlKind::Icon:
        return &kIcon;
    }
    return nullptr;
}

} // namespace platform::display
