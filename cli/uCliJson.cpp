#include "cli/uCliJson.h"

#include "protocol/uiTarvelStack.h"

#include <cstdio>

std::string CliJsonText(const TCliJson& json)
{
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
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
