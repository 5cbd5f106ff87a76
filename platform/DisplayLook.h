#pragma once

#include <platform/Display.h>

#include <QFont>
#include <QStyle>

#include <cstdint>

class QWidget;

// How windows and controls look and where they sit: the runtime's fonts, colours, alignments
// and rectangles in the toolkit's terms. GUI thread only.

namespace platform::display {

/// Installs the font substitutions the runtime's window descriptors rely on.
void InstallFontSubstitutes();

/// True for a coordinate or size the window system chooses (kDefaultPosition).
bool IsDefault(std::int32_t value);

/// True when the runtime asks for anything of `font` (else the default stays).
bool IsGiven(const Font& font);

/// `font` over `base`: what the runtime leaves open stays as `base` has it.
QFont ToQFont(const Font& font, QFont base);

/// Gives `widget` a text and a background colour (0x00BBGGRR each); kNoColour leaves one as it
/// is, and a background given fills the widget.
void ApplyColours(QWidget* widget, std::uint32_t text, std::uint32_t background);

/// Gives `widget` the text colour `text` (0x00BBGGRR), or with kNoColour takes a given one
/// away, so that the widget shows its parent's again; its background and font stay.
void ReplaceTextColour(QWidget* widget, std::uint32_t text);

/// The text colour given to `widget` with ApplyColours, kNoColour when none was.
std::uint32_t TextColourOf(const QWidget* widget);

/// An alignment in the toolkit's terms (vertically centred) and back.
Qt::Alignment AlignmentOf(Alignment alignment);
Alignment AlignmentFrom(Qt::Alignment alignment);

/// The style's picture for a standard icon, and the size the style gives message box icons.
QStyle::StandardPixmap PixmapOf(StandardIcon icon);
std::int32_t IconSizeOnGui();

/// The size `icon` is shown at: a message box's at IconSizeOnGui; the tick and the cross, marks
/// that stand beside a line of text, at the style's large icon size (no larger than the other).
std::int32_t IconSizeOf(StandardIcon icon);

/// Sizes and moves `widget` to `rect`: a default size is the contents' own for a control and
/// the window system's for a window; a default position leaves it where it is.
void Place(QWidget* widget, const Rect& rect);

} // namespace platform::display
