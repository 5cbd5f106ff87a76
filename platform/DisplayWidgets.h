#pragma once

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QValidator>

#include <cstdint>

class QKeyEvent;

// The widgets the display makes of its own where the toolkit's differ from the system's
// controls the runtime was written against. GUI thread only.

namespace platform::display {

/// Keeps a single-line edit to characters that have a Windows-1250 form (a paste that brings
/// others is refused whole); the edit's own limit counts them as one byte each.
class AnsiValidator final : public QValidator {
public:
    explicit AnsiValidator(QObject* parent);
    State validate(QString& input, int& position) const override;
};

/// A text box whose contents stay within Windows-1250 and within its limit in bytes (a line
/// break counting two, as CR LF). Typing or pasting what does not fit is refused with a beep;
/// text brought in whole (pasted, dropped, composed) that holds characters the code page lacks
/// is refused with the program's notice naming them, shown at the cursor.
/// Enter starts a new line; Tab and Shift+Tab leave the box for the next or previous control,
/// as in the system's dialogs, and Ctrl+Tab types the tab character instead.
class AnsiTextEdit final : public QPlainTextEdit {
public:
    AnsiTextEdit(QWidget* parent, std::uint32_t maxLength);

    static bool IsControlTab(const QKeyEvent& event);

    /// Types a tab character where the cursor is, as Ctrl+Tab does (Qt takes no character
    /// typed with Ctrl); a beep when the box is read-only or full.
    void TypeTab();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    /// Beeps; names the characters of `text` the code page lacks, if any, in the notice.
    void Refuse(const QString& text);

    /// True when `text` replacing the selection keeps the box within Windows-1250 and its limit.
    bool Accepts(const QString& text) const;

    std::uint32_t m_maxLength;
};

/// A check box that answers a click anywhere in its rectangle, as the system's check boxes
/// do (Qt's own take only the box and the text).
class WholeCheckBox final : public QCheckBox {
public:
    WholeCheckBox(const QString& text, QWidget* parent);

protected:
    bool hitButton(const QPoint& pos) const override;
};

} // namespace platform::display
