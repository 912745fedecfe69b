#include "ui/toolkit_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <array>
#include <memory>

namespace brisken {
namespace {

struct ToolkitLocale {
    std::uint16_t languageId;
    const char* name;
};

constexpr std::array<ToolkitLocale, 12> kLocales = {{
    {1028, "zh_TW"},
    {2052, "zh_CN"},
    {1049, "ru"},
    {1031, "de"},
    {1040, "it"},
    {3082, "es"},
    {1036, "fr"},
    {1041, "ja"},
    {1043, "nl"},
    {1055, "tr"},
    {1029, "cs"},
    {1045, "pl"},
}};

std::unique_ptr<QTranslator>& Installed() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

void ApplyToolkitLanguage(std::uint16_t resourceLanguage) {
    std::unique_ptr<QTranslator>& installed = Installed();
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    for (const ToolkitLocale& locale : kLocales) {
        if (locale.languageId != resourceLanguage) {
            continue;
        }
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(QStringLiteral("qtbase_") + QLatin1String(locale.name),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(translator.get());
            installed = std::move(translator);
        }
        return;
    }
}

} // namespace brisken
