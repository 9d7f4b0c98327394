// JSON texts of valdrix-cli are valid UTF-8 whatever bytes they are made of.
#include "cli/uCliJson.h"

#include <gtest/gtest.h>

TEST(CliJson, TextsAreValidUtf8)
{
    // The module speaks windows-1250.
    EXPECT_EQ(Windows1250ToUtf8("\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2 \xFAp\xECl"), "Žluťoučký kůň úpěl");
    for (const std::string& bytes : {Windows1250ToUtf8("a\x98z"), std::string("bad \xFF\xFE bytes")}) {
        const std::string text = CliJsonText(TCliJson{{"text", bytes}});
        EXPECT_FALSE(nlohmann::json::parse(text, nullptr, false).is_discarded()) << text;
    }
}
