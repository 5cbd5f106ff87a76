#include "DisplayWidgets.h"

#include "DisplayRegistry.h"
#include "DisplayText.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextDocument>
#include <QToolTip>

namespace platform::display {

namespace {

/// What a text box says when it refuses pasted, dropped or composed text for characters that
/// Windows-1250 lacks; "%1" stands for them. Set by the program; empty: the beep alone.
QString& RefusedTextNotice()
{
    static QString notice;
    return notice;
}

/// Windows-1250 byte count of a text box's contents: each line break is CR LF, two bytes.
std::size_t AnsiLength(const QString& raw)
{
    std::size_t length = 0;
    for (const QChar c : raw)
        length += (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) ? 2U : 1U;
    return length;
}

} // namespace

AnsiValidator::AnsiValidator(QObject* parent)
    : QValidator(parent)
{
}

QValidator::State AnsiValidator::validate(QString& input, int&) const
{
    return ToAnsiExact(input) ? Acceptable : Invalid;
}

AnsiTextEdit::AnsiTextEdit(QWidget* parent, std::uint32_t maxLength)
    : QPlainTextEdit(parent)
    , m_maxLength(maxLength)
{
    setTabChangesFocus(true);
}

bool AnsiTextEdit::IsControlTab(const QKeyEvent& event)
{
    return event.key() == Qt::Key_Tab && event.modifiers() == Qt::ControlModifier;
}

void AnsiTextEdit::TypeTab()
{
    const QString tab(QChar(u'\t'));
    if (isReadOnly() || !Accepts(tab))
        QApplication::beep();
    else
        insertPlainText(tab);
}

void AnsiTextEdit::keyPressEvent(QKeyEvent* event)
{
    if (IsControlTab(*event)) {
        TypeTab();
        event->accept();
        return;
    }
    QString text = event->text();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        text = QString(QChar::ParagraphSeparator);
    // What inserts: printable characters and line breaks (not Delete, 0x7F, nor controls).
    const bool inserts = !text.isEmpty()
        && ((text.at(0) >= u' ' && text.at(0) != QChar(0x7F))
            || text.at(0) == QChar::ParagraphSeparator);
    if (inserts && !Accepts(text)) {
        QApplication::beep();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void AnsiTextEdit::insertFromMimeData(const QMimeData* source)
{
    if (source != nullptr && source->hasText()) {
        QString text = source->text();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\n', QChar::ParagraphSeparator);
        if (!Accepts(text)) {
            Refuse(text);
            return;
        }
    }
    QPlainTextEdit::insertFromMimeData(source);
}

void AnsiTextEdit::inputMethodEvent(QInputMethodEvent* event)
{
    if (!Accepts(event->commitString())) {
        Refuse(event->commitString());
        event->accept();
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void AnsiTextEdit::Refuse(const QString& text)
{
    QApplication::beep();
    const QString unspellable = UnspellableIn(text);
    if (unspellable.isEmpty() || RefusedTextNotice().isEmpty())
        return;
    QToolTip::showText(viewport()->mapToGlobal(cursorRect().bottomLeft()),
        RefusedTextNotice().arg(unspellable), this);
}

bool AnsiTextEdit::Accepts(const QString& text) const
{
    QString plain = text;
    plain.remove(QChar::ParagraphSeparator);
    if (!ToAnsiExact(plain))
        return false;
    if (m_maxLength == 0)
        return true;
    const std::size_t current = AnsiLength(document()->toRawText());
    const std::size_t selected = AnsiLength(textCursor().selectedText());
    return current - selected + AnsiLength(text) <= m_maxLength;
}

WholeCheckBox::WholeCheckBox(const QString& text, QWidget* parent)
    : QCheckBox(text, parent)
{
}

bool WholeCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

} // namespace platform::display

namespace platform {

void SetRefusedTextNotice(std::string_view notice)
{
    InvokeOnGui([text = display::FromAnsi(notice)] { display::RefusedTextNotice() = text; });
}

} // namespace platform
