#pragma once

#include <cassert>
#include <cstdint>

// Dialog units: positions and sizes measured in a font, so that a window looks the same
// whatever the screen's resolution. A horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height.
//
// Two conversions to pixels are in use, and each caller names the one it needs:
// - a window built from a descriptor places its controls with the fraction of a pixel dropped
//   (X, Y), as the window engine computes them;
// - the message box is a dialog template, and a template's units become pixels with a partial
//   pixel counted as a whole one (XRoundedUp, YRoundedUp), so no control of the box comes out
//   smaller than its units ask.
// The two differ whenever a unit is not a whole number of pixels (a 6-pixel average width makes
// a horizontal unit 1.5 pixels): 5 units are 7 pixels in a window and 8 in a message box.

namespace window {

struct DialogUnits {
    std::int32_t averageCharWidth = 0;
    std::int32_t height = 0;

    /// Pixels of `units` across / down, the fraction dropped (towards zero).
    constexpr std::int32_t X(std::int32_t units) const
    {
        return static_cast<std::int32_t>(std::int64_t { units } * averageCharWidth / 4);
    }
    constexpr std::int32_t Y(std::int32_t units) const
    {
        return static_cast<std::int32_t>(std::int64_t { units } * height / 8);
    }

    /// Pixels of `units` (not negative) across / down, a partial pixel counted as a whole one.
    constexpr std::int32_t XRoundedUp(std::int32_t units) const
    {
        return static_cast<std::int32_t>((std::int64_t { units } * averageCharWidth + 3) / 4);
    }
    constexpr std::int32_t YRoundedUp(std::int32_t units) const
    {
        return static_cast<std::int32_t>((std::int64_t { units } * height + 7) / 8);
    }

    /// The whole units in `pixels` across / down, the fraction dropped. The font must have
    /// been measured (both measures above 0).
    constexpr std::int32_t UnitsX(std::int32_t pixels) const
    {
        assert(averageCharWidth > 0 && "units of a measured font");
        return static_cast<std::int32_t>(std::int64_t { pixels } * 4 / averageCharWidth);
    }
    constexpr std::int32_t UnitsY(std::int32_t pixels) const
    {
        assert(height > 0 && "units of a measured font");
        return static_cast<std::int32_t>(std::int64_t { pixels } * 8 / height);
    }
};

} // namespace window
