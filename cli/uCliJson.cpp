#include "cli/uCliJson.h"

#include <cstdio>

std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (uint8_t(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(uint8_t(c)));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string JsonNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

std::string JsonArray(const std::vector<std::string>& items)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
    return out + "]";
}

TJsonObject& TJsonObject::Raw(const std::string& key, const std::string& json)
{
    for (auto& item : FItems)
        if (item.first == key) {
            item.second = json;
            return *this;
        }
    FItems.emplace_back(key, json);
    return *this;
}

std::string TJsonObject::Text() const
{
    std::string out = "{";
    for (size_t i = 0; i < FItems.size(); ++i) out += (i ? ", " : "") + JsonString(FItems[i].first) + ": " + FItems[i].second;
    return out + "}";
}
