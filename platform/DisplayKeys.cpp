#include "DisplayKeys.h"

#include <Qt>

#include <array>
#include <utility>

namespace platform::display {

namespace {

struct KeyPair {
    int qtKey;
    std::uint32_t virtualKey;
};

// Keys other than letters and digits.
constexpr std::array kKeys = {
    KeyPair { Qt::Key_Backspace, 0x08 },
    KeyPair { Qt::Key_Tab, 0x09 },
    KeyPair { Qt::Key_Backtab, 0x09 },
    KeyPair { Qt::Key_Return, 0x0D },
    KeyPair { Qt::Key_Enter, 0x0D },
    KeyPair { Qt::Key_Shift, 0x10 },
    KeyPair { Qt::Key_Control, 0x11 },
    KeyPair { Qt::Key_Alt, 0x12 },
    KeyPair { Qt::Key_Pause, 0x13 },
    KeyPair { Qt::Key_CapsLock, 0x14 },
    KeyPair { Qt::Key_Escape, 0x1B },
    KeyPair { Qt::Key_Space, 0x20 },
    KeyPair { Qt::Key_PageUp, 0x21 },
    KeyPair { Qt::Key_PageDown, 0x22 },
    KeyPair { Qt::Key_End, 0x23 },
    KeyPair { Qt::Key_Home, 0x24 },
    KeyPair { Qt::Key_Left, 0x25 },
    KeyPair { Qt::Key_Up, 0x26 },
    KeyPair { Qt::Key_Right, 0x27 },
    KeyPair { Qt::Key_Down, 0x28 },
    KeyPair { Qt::Key_Print, 0x2C },
    KeyPair { Qt::Key_Insert, 0x2D },
    KeyPair { Qt::Key_Delete, 0x2E },
};

} // namespace

std::uint32_t VirtualKeyOf(int qtKey)
{
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return static_cast<std::uint32_t>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return 0x70 + static_cast<std::uint32_t>(qtKey - Qt::Key_F1);
    for (const KeyPair& pair : kKeys) {
        if (pair.qtKey == qtKey)
            return pair.virtualKey;
    }
    return 0;
}

int QtKeyOf(std::uint32_t virtualKey)
{
    if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9'))
        return static_cast<int>(virtualKey);
    if (virtualKey >= 0x70 && virtualKey <= 0x7B)
        return Qt::Key_F1 + static_cast<int>(virtualKey - 0x70);
    for (const KeyPair& pair : kKeys) {
        if (pair.virtualKey == virtualKey)
            return pair.qtKey;
    }
    return 0;
}

bool IsExtendedKey(std::uint32_t virtualKey)
{
    return virtualKey >= 0x21 && virtualKey <= 0x2E && virtualKey != 0x29 && virtualKey != 0x2A
        && virtualKey != 0x2B && virtualKey != 0x2C;
}

} // namespace platform::display
