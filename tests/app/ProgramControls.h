#pragma once

#include <cstdint>

// What the program's tests find its windows by: titles, the frame's menu items, the About,
// hash and verify windows' controls (as control ids: menu items below 0x4000, a window's fields
// by their equates) and the numbers of two texts.

namespace programcontrols {

constexpr char kFrameTitle[] = "Testiranje SHA-1 algoritma";
constexpr char kAboutTitle[] = "O programu";
constexpr char kVerifyTitle[] = "Provjera kontrolnog broja ";

// The frame's menu items and the About window's button.
constexpr std::uint32_t kTestingItem = 0x4000 - 2;
constexpr std::uint32_t kExitItem = 0x4000 - 3;
constexpr std::uint32_t kAboutItem = 0x4000 - 12;
constexpr std::uint32_t kVerifyItem = 0x4000 - 13;
constexpr std::uint32_t kAboutOkButton = 0x4000 + 16;

// The hash window's controls, by field equate.
constexpr std::uint32_t kTextBox = 2;
constexpr std::uint32_t kTextButton = 3; ///< "Formiraj SHA-1 broj" for the typed text
constexpr std::uint32_t kNumberEntry = 5;
constexpr std::uint32_t kCloseButton = 7;
constexpr std::uint32_t kPathEntry = 9;
constexpr std::uint32_t kChooseButton = 10; ///< "..."
constexpr std::uint32_t kFileButton = 11;   ///< "Formiraj SHA-1 broj" for the chosen file
constexpr std::uint32_t kFileEntry = 12;
constexpr std::uint32_t kProgressLine = 14;
constexpr std::uint32_t kCancelButton = 15; ///< "Prekini"

// The verify window's controls, by field equate.
namespace verify {
constexpr std::uint32_t kExpectedBox = 2;
constexpr std::uint32_t kFromFileButton = 3; ///< "Iz datoteke HASHBROJ.TXT"
constexpr std::uint32_t kTextBox = 5;
constexpr std::uint32_t kTextButton = 6; ///< "Provjeri" for the typed text
constexpr std::uint32_t kFileEntry = 8;
constexpr std::uint32_t kChooseButton = 9; ///< "..."
constexpr std::uint32_t kFileButton = 10;  ///< "Provjeri" for the chosen file
constexpr std::uint32_t kProgressLine = 11;
constexpr std::uint32_t kCancelButton = 12; ///< "Prekini"
constexpr std::uint32_t kAnswerLine = 13;
constexpr std::uint32_t kExpectedLine = 15;
constexpr std::uint32_t kFormedLine = 17;
constexpr std::uint32_t kMarkerLine = 18;
constexpr std::uint32_t kCloseButton = 19;
constexpr std::uint32_t kAnswerIcon = 20; ///< added by the procedure beside the answer
} // namespace verify

// A message box's text and its OK button.
constexpr std::uint32_t kMessageText = 0xFFFF;
constexpr std::uint32_t kOkButton = 1;

/// The numbers of "abc" and of nothing, as the hash window shows them.
constexpr char kAbc[] = "A9993E3647-06816ABA3E-25717850C2-6C9CD0D89D";
constexpr char kEmpty[] = "DA39A3EE5E-6B4B0D3255-BFEF956018-90AFD80709";

} // namespace programcontrols
