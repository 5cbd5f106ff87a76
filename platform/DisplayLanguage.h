#pragma once

#include <memory>
#include <span>

class QTranslator;

// The display's language: Qt's own texts (its file dialog, the edit menus of entries and text
// boxes, its standard buttons) in Croatian, the language of the program, from Qt's translation
// compiled into the program (cmake/QtTranslation.cmake), so the machine's installed languages
// and locale settings do not matter. GUI thread only, unless said otherwise.

namespace platform::display {

/// The bytes of qtbase_hr.qm, as the build found them.
extern const std::span<const unsigned char> kQtTranslation;

/// Makes Croatian the running application's language: installs the translation and makes the
/// Croatian locale the default one. The translation stays installed while the answer lives;
/// null (nothing installed) when the bytes are not a translation Qt can read.
std::unique_ptr<QTranslator> InstallLanguage();

} // namespace platform::display
