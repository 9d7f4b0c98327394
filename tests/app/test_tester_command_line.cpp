// The tester's command line: help and version before the window toolkit starts, the DST
// switch in every spelling, the windows' language, and short errors for anything else.
#include "app/uTesterCommandLine.h"
#include "app/uTesterLanguage.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

TEST(TesterCommandLine, HelpVersionDstAndUsageErrors)
{
    const struct {
        QStringList Arguments;
        bool Complete;
        std::optional<int> Status;
    } cases[] = {
        {{"valdrix-tester"}, true, std::nullopt},
        {{"valdrix-tester", "DST"}, true, std::nullopt},
        {{"valdrix-tester", "-dst"}, true, std::nullopt},
        {{"valdrix-tester", "/Dst"}, true, std::nullopt},
        {{"valdrix-tester", "--version"}, true, 0},
        {{"valdrix-tester", "DST", "-h"}, true, 0},
        // Before the toolkit has taken its own options out, they are left alone.
        {{"valdrix-tester", "-platform", "offscreen", "--help"}, false, 0},
        {{"valdrix-tester", "-platform", "offscreen"}, false, std::nullopt},
        {{"valdrix-tester", "--bogus"}, true, 2},
        {{"valdrix-tester", "extra"}, true, 2},
        {{"valdrix-tester", "--", "--help"}, true, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseTesterCommandLine(c.Arguments, c.Complete), c.Status)
            << c.Arguments.join(QLatin1Char(' ')).toStdString();
    }
}

// The windows' language: --language first, then the desktop's language variables.
TEST(TesterCommandLine, LanguageFromTheOptionOrTheDesktop)
{
    using Env = std::map<std::string, QString>;
    constexpr auto cs = TTesterLanguage::Czech;
    constexpr auto en = TTesterLanguage::English;
    const struct {
        QStringList Arguments;
        Env Environment;
        std::optional<int> Status;
        TTesterLanguage Language;
    } cases[] = {
        {{}, {}, std::nullopt, cs},
        {{}, {{"LANG", "C"}}, std::nullopt, cs},
        {{}, {{"LC_ALL", "POSIX"}, {"LANG", "en_US.UTF-8"}}, std::nullopt, cs},
        {{}, {{"LANG", "en_GB.UTF-8"}}, std::nullopt, en},
        {{}, {{"LC_MESSAGES", "en"}, {"LANG", "cs_CZ.UTF-8"}}, std::nullopt, en},
        {{}, {{"LANGUAGE", "en:cs"}, {"LANG", "cs_CZ.UTF-8"}}, std::nullopt, en},
        {{}, {{"LANGUAGE", "de:en"}}, std::nullopt, en},
        {{}, {{"LANGUAGE", "cs:en"}, {"LANG", "en_US.UTF-8"}}, std::nullopt, cs},
        {{}, {{"LANG", "de_DE.UTF-8"}}, std::nullopt, cs},
        {{"--language", "cs"}, {{"LANG", "en_US.UTF-8"}}, std::nullopt, cs},
        {{"--language=EN"}, {{"LANG", "C"}}, std::nullopt, en},
        {{"DST", "--language", "en"}, {}, std::nullopt, en},
        {{"--language", "de"}, {}, 2, cs},
        {{"--language"}, {}, 2, cs},
    };
    for (const auto& c : cases) {
        const auto read = [&c](const char* name) {
            const auto found = c.Environment.find(name);
            return found == c.Environment.end() ? QString() : found->second;
        };
        std::optional<TTesterLanguage> option;
        const QStringList arguments = QStringList{"valdrix-tester"} + c.Arguments;
        const std::string label = arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(ParseTesterCommandLine(arguments, true, &option), c.Status) << label;
        if (!c.Status) EXPECT_EQ(ChosenLanguage(option, read), c.Language) << label;
    }
}
