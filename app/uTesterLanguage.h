// The language of the tester's windows: Czech (the texts in the code) or English (the
// translation compiled into the program). The command line's `--language` decides;
// without it the desktop's language does, as gettext reads it: the first of LANGUAGE,
// LC_ALL, LC_MESSAGES and LANG that is set. English when that names English (en,
// en_GB.UTF-8, LANGUAGE=en:cs), Czech for anything else, a C or POSIX locale included.
#pragma once

#include <QString>

#include <functional>
#include <optional>

enum class TTesterLanguage { Czech, English };

// The value of an environment variable, empty when it is not set.
using TEnvironmentReader = std::function<QString(const char* name)>;

// The language the desktop asks for, read through `environment` (by default the process's).
TTesterLanguage DesktopLanguage(const TEnvironmentReader& environment = {});

// The language the windows speak: the one the command line named, else the desktop's.
TTesterLanguage ChosenLanguage(const std::optional<TTesterLanguage>& commandLine,
                               const TEnvironmentReader& environment = {});

// The language a `--language` value names ("cs" or "en", in any letter case); nothing for
// any other value.
std::optional<TTesterLanguage> LanguageNamed(const QString& value);

// The language code of the option and the translation files: "cs" or "en".
QString LanguageCode(TTesterLanguage language);

// Makes the windows created from now on speak the language: installs (or removes) the
// English translation, and makes the language's locale the default one, so that the
// windows write and read numbers with its decimal separator (Czech a comma, English a
// point). Call once the application object exists and before the windows are created.
void InstallTesterLanguage(TTesterLanguage language);
