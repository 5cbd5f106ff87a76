#pragma once

#include <platform/Display.h>

#include <QAccessible>
#include <QString>

class QWidget;

// Controls: one adapter per control kind holds all that differs between kinds (which widget
// makes the control, which of its signals become notifications, how its text is written and
// read, what the Edit menu's commands do to it, what it shows), chosen once when the control
// is made and kept with its handle. GUI thread only.

namespace platform::display {

struct Entry;

class ControlAdapter {
public:
    ControlAdapter() = default;
    ControlAdapter(const ControlAdapter&) = delete;
    ControlAdapter& operator=(const ControlAdapter&) = delete;
    virtual ~ControlAdapter() = default;

    /// Makes the widget for `options` inside `parent` with its kind's own settings (the ones
    /// every kind shares are the caller's). `inDialog`: a template dialog's control.
    virtual QWidget* Make(const ControlOptions& options, QWidget* parent, bool inDialog) const = 0;

    /// Posts the control's notifications (clicked, text or selection changed) for `handle`.
    virtual void Connect(QWidget& widget, WindowHandle handle) const;

    /// Writes and reads the control's text, as SetWindowText and WindowText do (a multi-line
    /// text's line breaks CR LF on both ways). A kind with no text of its own keeps it as the
    /// widget's title.
    virtual void SetText(QWidget& widget, const QString& text) const;
    virtual QString Text(const QWidget& widget) const;

    /// The text the user edits in the control (a text box's raw), empty for kinds that edit
    /// none.
    virtual QString EditedText(const QWidget& widget) const;

    /// Carries out an Edit menu command on the control, which has the keyboard focus in itself
    /// or in `focus`, a part of it; false, doing nothing, where no text is edited.
    virtual bool Edit(QWidget& widget, const QWidget& focus, EditCommand command) const;

    /// A check box's or button's state; other kinds have none.
    virtual void SetChecked(QWidget& widget, bool checked) const;
    virtual bool IsChecked(const QWidget& widget) const;

    /// Changes an icon's picture; other kinds show none.
    virtual void SetIcon(QWidget& widget, StandardIcon icon) const;

    /// Fills in what only this kind shows of `options` (text, alignment, border, edit limit,
    /// read-only, default button, icon); the caller fills in what every kind shows.
    virtual void Describe(const QWidget& widget, ControlOptions& options) const = 0;

    /// True for kinds the keyboard can reach at all (not a text or a group box).
    virtual bool TakesFocus() const { return true; }

    /// True for kinds that take what the keyboard brings (not a text, group box or icon).
    virtual bool TakesKeyboardInput() const { return true; }

    /// True for a group box: the controls made inside it are its children.
    virtual bool HoldsControls() const { return false; }
};

/// The adapter of controls of `kind`, which lives as long as the program; null for a value
/// that names no kind.
const ControlAdapter* AdapterFor(ControlKind kind);

/// Makes a control as CreateControl does; `inDialog`: a template dialog's, whose buttons end the
/// dialog and whose user actions post nothing of their own. Answers 0 when it cannot be made.
WindowHandle CreateControlOnGui(const ControlOptions& options, bool inDialog);

/// What a control shows as the display made it (DescribeControl).
ControlOptions DescribeControlOnGui(const Entry& control);

/// Raises `event` for `widget` with assistive technology, which the toolkit tells only while
/// one listens, and hands it to the observer a test installed.
void RaiseAccessibleEvent(QWidget& widget, QAccessible::Event event);

/// Sees every event the display raises itself with RaiseAccessibleEvent, whether or not
/// assistive technology listens, while it is installed (null: none). For the test driver.
using AccessibleEventObserver = void (*)(QWidget& widget, QAccessible::Event event);
void ObserveAccessibleEvents(AccessibleEventObserver observer);

} // namespace platform::display
