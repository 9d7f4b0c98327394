// The runner's own texts (measurement names and units, why a step ended, the prompt of a
// calibration against the operator's reference) are English, as the records keep them:
// data, the same on every station. The window shows them in its language through a
// table of the texts it knows; a text it does not know (a plan's step names and prompts,
// the module's own messages) is shown as it is.
#pragma once

#include <QString>

#include <string>

QString StationText(const std::string& text);
