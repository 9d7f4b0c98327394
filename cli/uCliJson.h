// A small JSON writer for the command-line client: one object per result, keys in the
// order they were first added (a key added again takes the new value in its place).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

std::string JsonString(std::string_view text);
std::string JsonNumber(double value);
std::string JsonArray(const std::vector<std::string>& items);

class TJsonObject {
public:
    TJsonObject& Raw(const std::string& key, const std::string& json);
    TJsonObject& Bool(const std::string& key, bool value) { return Raw(key, value ? "true" : "false"); }
    TJsonObject& Int(const std::string& key, int64_t value) { return Raw(key, std::to_string(value)); }
    TJsonObject& String(const std::string& key, std::string_view value) { return Raw(key, JsonString(value)); }
    std::string Text() const;

private:
    std::vector<std::pair<std::string, std::string>> FItems;
};
