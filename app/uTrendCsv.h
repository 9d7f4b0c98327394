// The trend view's samples as a CSV file for a spreadsheet.
#pragma once

#include "app/uTrendSamples.h"

#include <QString>

#include <cstdint>
#include <vector>

// Writes the samples of the listed series taken within [from, to], in UTF-8: a header
// "Čas;<series name>;..." and one row per sampling time, the time as local
// "yyyy-MM-dd hh:mm:ss.zzz", then each series' value at that time, empty where the
// series has none (the analog inputs and the thermometers are read at different
// times). Fields are separated by ";"; temperatures have one decimal with the desktop's
// decimal separator, as the main window shows them. False when the file cannot be written.
bool WriteTrendCsv(const QString& path, const TTrendSamples& samples, const std::vector<int>& series, int64_t from,
                   int64_t to);
