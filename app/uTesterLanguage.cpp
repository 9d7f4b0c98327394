#include "app/uTesterLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace {

// Where the build puts the compiled translations among the program's resources.
const QString TranslationFolder = QStringLiteral(":/i18n");

// "en" of "en_GB.UTF-8", "en@euro" or "en".
QString LanguagePart(const QString& locale)
{
    qsizetype end = 0;
    while (end < locale.size() && locale[end].isLetter()) ++end;
    return locale.left(end).toLower();
}

std::unique_ptr<QTranslator>& InstalledTranslator()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

// Qt's own texts (its dialogs' buttons and captions), from the desktop's Qt translations.
std::unique_ptr<QTranslator>& InstalledQtTranslator()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

void InstallQtTranslation(TTesterLanguage language)
{
    std::unique_ptr<QTranslator>& installed = InstalledQtTranslator();
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    // Qt speaks English by itself.
    if (language == TTesterLanguage::English) return;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + LanguageCode(language),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
}

} // namespace

TTesterLanguage DesktopLanguage(const TEnvironmentReader& environment)
{
    const TEnvironmentReader read =
        environment ? environment : [](const char* name) { return qEnvironmentVariable(name); };
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = read(variable);
        if (value.isEmpty()) continue;
        // LANGUAGE lists languages by preference: the first one the tester speaks wins.
        for (const QString& entry : value.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
            const QString language = LanguagePart(entry);
            if (language == QLatin1String("en")) return TTesterLanguage::English;
            if (language == QLatin1String("cs")) return TTesterLanguage::Czech;
        }
        return TTesterLanguage::Czech;
    }
    return TTesterLanguage::Czech;
}

TTesterLanguage ChosenLanguage(const std::optional<TTesterLanguage>& commandLine,
                               const TEnvironmentReader& environment)
{
    return commandLine ? *commandLine : DesktopLanguage(environment);
}

std::optional<TTesterLanguage> LanguageNamed(const QString& value)
{
    for (const TTesterLanguage language : {TTesterLanguage::Czech, TTesterLanguage::English})
        if (value.compare(LanguageCode(language), Qt::CaseInsensitive) == 0) return language;
    return std::nullopt;
}

QString LanguageCode(TTesterLanguage language)
{
    return language == TTesterLanguage::English ? QStringLiteral("en") : QStringLiteral("cs");
}

void InstallTesterLanguage(TTesterLanguage language)
{
    InstallQtTranslation(language);
    std::unique_ptr<QTranslator>& installed = InstalledTranslator();
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (language == TTesterLanguage::English) {
        auto translator = std::make_unique<QTranslator>();
        // The build embeds the translation and fails without it, so it always loads.
        if (!translator->load(QStringLiteral("valdrix-tester_en"), TranslationFolder))
            qFatal("The English translation is missing from the program's resources");
        QCoreApplication::installTranslator(translator.get());
        installed = std::move(translator);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    } else {
        QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));
    }
}
