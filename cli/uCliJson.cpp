#include "cli/uCliJson.h"

#include "protocol/uiTarvelStack.h"

#include <QStringDecoder>

#include <chrono>
#include <cstdio>
#include <ctime>

std::string CliJsonText(const TCliJson& json)
{
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string Windows1250ToUtf8(std::string_view text)
{
    QStringDecoder decoder("windows-1250");
    const QString decoded = decoder.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    return decoded.toStdString();
}

std::string RequestResultName(int result)
{
    switch (result) {
    case TARVEL_RESULT_NONE: return "none";
    case TARVEL_RESULT_OK: return "ok";
    case TARVEL_RESULT_NO_ANSWER: return "no answer";
    case TARVEL_RESULT_INVALID: return "invalid answer";
    case TARVEL_RESULT_REFUSED: return "refused";
    default: return "unknown";
    }
}

std::string IsoTimeNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char date[32], zone[8];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    std::strftime(zone, sizeof zone, "%z", &local);
    char text[48];
    std::snprintf(text, sizeof text, "%s.%03d%.3s:%s", date, int(ms), zone, zone + 3);
    return text;
}
