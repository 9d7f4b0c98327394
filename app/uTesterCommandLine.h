// The tester's command line: -h/--help, --version, --language cs|en and the traffic
// monitor switch DST (also -dst, /DST, in any letter case). The windowing toolkit's own options
// (-platform NAME, -style NAME, ...) are taken out by the application object, so the
// command line is looked at twice: for help and version before the application object
// exists (they work without a display), and in full afterwards.
#pragma once

#include <QStringList>

#include <optional>

enum class TTesterLanguage;

extern const char* const TesterUsageText;

// Nothing when the tester is to start; otherwise the status to exit with, after the usage
// text, the version or (when `complete`) the reason the command line cannot be run was
// printed. Without `complete`, options it does not know are left for the toolkit. With
// `complete`, a valid --language sets `language` (when given); without the option it is
// left as it was.
std::optional<int> ParseTesterCommandLine(const QStringList& arguments, bool complete,
                                          std::optional<TTesterLanguage>* language = nullptr);
