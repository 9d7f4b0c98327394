// JSON output of valdrix-cli, built with nlohmann::json: objects keep their keys in the
// order they were added, and every text is valid UTF-8 (the module's own texts are
// windows-1250 and are converted).
#pragma once

#include "framework/uWindows1250.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

using TCliJson = nlohmann::ordered_json;

// One line of JSON; bytes that are not UTF-8 become U+FFFD.
std::string CliJsonText(const TCliJson& json);

// The name of a request result code of the stack device: "none", "ok", "no answer",
// "invalid answer", "refused"; "unknown" for any other.
std::string RequestResultName(int result);

