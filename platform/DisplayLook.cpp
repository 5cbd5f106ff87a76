#include "DisplayLook.h"

#include "DisplayRegistry.h"
#include "DisplayText.h"

#include <QApplication>
#include <QColor>
#include <QFontMetrics>
#include <QPalette>
#include <QWidget>

#include <algorithm>

namespace platform::display {

namespace {

QColor ToQColor(std::uint32_t colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
        static_cast<int>((colour >> 16) & 0xFF));
}

} // namespace

void InstallFontSubstitutes()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
}

bool IsDefault(std::int32_t value)
{
    return value == kDefaultPosition;
}

bool IsGiven(const Font& font)
{
    return !font.face.empty() || font.pointSize > 0 || font.weight > 0 || font.italic
        || font.underline || font.strikeOut;
}

QFont ToQFont(const Font& font, QFont base)
{
    if (!font.face.empty())
        base.setFamily(FromAnsi(font.face));
    if (font.pointSize > 0)
        base.setPointSize(font.pointSize);
    if (font.weight > 0)
        base.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
    base.setItalic(font.italic);
    base.setUnderline(font.underline);
    base.setStrikeOut(font.strikeOut);
    return base;
}

void ApplyColours(QWidget* widget, std::uint32_t text, std::uint32_t background)
{
    if (text == kNoColour && background == kNoColour)
        return;
    QPalette palette = widget->palette();
    if (text != kNoColour) {
        for (const QPalette::ColorRole role :
            { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
            palette.setColor(role, ToQColor(text));
    }
    if (background != kNoColour) {
        for (const QPalette::ColorRole role : { QPalette::Window, QPalette::Base })
            palette.setColor(role, ToQColor(background));
        widget->setAutoFillBackground(true);
    }
    widget->setPalette(palette);
}

void ReplaceTextColour(QWidget* widget, std::uint32_t text)
{
    if (text != kNoColour) {
        ApplyColours(widget, text, kNoColour);
        return;
    }
    // A palette has no way to forget one role: build one that holds only the widget's own
    // roles other than the text ones, and let the rest come from the parent again.
    const QPalette own = widget->palette();
    QPalette palette;
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        const auto colourGroup = static_cast<QPalette::ColorGroup>(group);
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto colourRole = static_cast<QPalette::ColorRole>(role);
            const bool textRole = colourRole == QPalette::WindowText || colourRole == QPalette::Text
                || colourRole == QPalette::ButtonText;
            if (!textRole && own.isBrushSet(colourGroup, colourRole))
                palette.setBrush(colourGroup, colourRole, own.brush(colourGroup, colourRole));
        }
    }
    widget->setPalette(palette);
}

std::uint32_t TextColourOf(const QWidget* widget)
{
    const QPalette palette = widget->palette();
    if (!palette.isBrushSet(QPalette::Active, QPalette::Text))
        return kNoColour;
    const QColor colour = palette.color(QPalette::Text);
    return static_cast<std::uint32_t>(colour.red())
        | static_cast<std::uint32_t>(colour.green()) << 8
        | static_cast<std::uint32_t>(colour.blue()) << 16;
}

Qt::Alignment AlignmentOf(Alignment alignment)
{
    switch (alignment) {
    case Alignment::Centre:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case Alignment::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case Alignment::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

Alignment AlignmentFrom(Qt::Alignment alignment)
{
    return (alignment & Qt::AlignHCenter) != 0 ? Alignment::Centre
        : (alignment & Qt::AlignRight) != 0    ? Alignment::Right
                                               : Alignment::Left;
}

QStyle::StandardPixmap PixmapOf(StandardIcon icon)
{
    switch (icon) {
    case StandardIcon::Stop:
        return QStyle::SP_MessageBoxCritical;
    case StandardIcon::Question:
        return QStyle::SP_MessageBoxQuestion;
    case StandardIcon::Exclamation:
        return QStyle::SP_MessageBoxWarning;
    case StandardIcon::Information:
    case StandardIcon::None:
        return QStyle::SP_MessageBoxInformation;
    case StandardIcon::Tick:
        // The common style's green tick and red cross: they differ in shape, not only in
        // colour, and need no icon theme.
        return QStyle::SP_DialogApplyButton;
    case StandardIcon::Cross:
        return QStyle::SP_DialogCancelButton;
    case StandardIcon::Program:
        break;
    }
    return QStyle::SP_ComputerIcon;
}

std::int32_t IconSizeOnGui()
{
    return QApplication::style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
}

std::int32_t IconSizeOf(StandardIcon icon)
{
    const std::int32_t messageBox = IconSizeOnGui();
    if (icon != StandardIcon::Tick && icon != StandardIcon::Cross)
        return messageBox;
    return std::min(messageBox, QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize));
}

void Place(QWidget* widget, const Rect& rect)
{
    if (!IsDefault(rect.width) && !IsDefault(rect.height))
        widget->resize(rect.width, rect.height);
    else if (!widget->isWindow())
        widget->adjustSize();
    else // the size every new window gets, kept when shown: its hand-placed contents give none
        widget->resize(widget->size());
    if (!IsDefault(rect.x) && !IsDefault(rect.y))
        widget->move(rect.x, rect.y);
}

} // namespace platform::display

namespace platform {

FontMetrics MeasureFont(const Font& font)
{
    return display::OnGui<FontMetrics>(FontMetrics {}, [&font] {
        const QFontMetrics metrics(display::ToQFont(font, QApplication::font()));
        const int letters = metrics.horizontalAdvance(
            QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"));
        return FontMetrics { (letters / 26 + 1) / 2, metrics.height() };
    });
}

Size MeasureText(const Font& font, std::string_view text, std::int32_t width)
{
    return display::OnGui<Size>(Size {}, [&font, text, width] {
        const QFontMetrics metrics(display::ToQFont(font, QApplication::font()));
        QString shown = display::FromAnsi(text);
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        const QRect bounds = metrics.boundingRect(
            QRect(0, 0, std::max(width, 1), 1 << 20), Qt::TextWordWrap | Qt::TextExpandTabs, shown);
        // Lines are counted as the system counts them, each the font's height, without the
        // leading Qt puts between lines; but never less than the toolkit needs to draw them,
        // whose lines may stand a pixel further apart than the rounded height says.
        const int lines
            = std::max(1, (bounds.height() + metrics.leading()) / metrics.lineSpacing());
        return Size { bounds.width(), std::max(lines * metrics.height(), bounds.height()) };
    });
}

std::int32_t StandardIconSize()
{
    return display::OnGui<std::int32_t>(32, [] { return display::IconSizeOnGui(); });
}

} // namespace platform
