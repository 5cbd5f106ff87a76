#include "DisplayLanguage.h"

#include "Display.h"
#include "DisplayText.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include <array>
#include <mutex>

namespace platform {

namespace display {

namespace {

/// Reads the carried translation into `translator`; false when Qt cannot read it.
bool LoadTranslation(QTranslator& translator)
{
    return translator.load(kQtTranslation.data(), static_cast<int>(kQtTranslation.size()));
}

} // namespace

std::unique_ptr<QTranslator> InstallLanguage()
{
    QLocale::setDefault(QLocale(QLocale::Croatian, QLocale::Croatia));
    auto translator = std::make_unique<QTranslator>();
    if (!LoadTranslation(*translator) || !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

} // namespace display

namespace {

/// The source texts Qt gives its standard buttons (context "QPlatformTheme"), in the order of
/// StandardButton.
constexpr std::array<const char*, 8> kButtonSources {
    "OK",
    "&Yes",
    "&No",
    "Abort",
    "Retry",
    "Ignore",
    "Cancel",
    "Help",
};

} // namespace

std::string StandardButtonText(StandardButton button)
{
    // Translated once, with a translator of its own, so that a caption does not depend on
    // whether the display runs or which translators it has installed.
    static std::array<std::string, kButtonSources.size()> captions;
    static std::once_flag translated;
    std::call_once(translated, [] {
        QTranslator translator;
        const bool loaded = display::LoadTranslation(translator);
        for (std::size_t index = 0; index < kButtonSources.size(); ++index) {
            const QString text = loaded
                ? translator.translate("QPlatformTheme", kButtonSources[index])
                : QString();
            // A text the translation lacks stays as Qt shows it untranslated.
            captions[index] = display::ToAnsi(
                text.isEmpty() ? QString::fromLatin1(kButtonSources[index]) : text);
        }
    });
    const auto index = static_cast<std::size_t>(button);
    return index < captions.size() ? captions[index] : std::string();
}

} // namespace platform
