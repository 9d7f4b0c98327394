// The trend view's samples as a CSV file for a spreadsheet.
#pragma once

#include "app/uTrendSamples.h"

#include <QString>

#include <cstdint>
#include <vector>

// Writes the samples of the listed series taken within [from, to], in UTF-8: a header
// "Čas;<series name>;..." (the time's caption in the window's language) and one row per moment of the polling, the time as local
// "yyyy-MM-dd hh:mm:ss.zzz", then each series' value, empty where the series has none.
// The groups of a rotation are read at different times (the analog inputs 160 ms before
// the thermometers), so a row gathers readings in time order: it holds what the panel
// showed when its last reading was taken, and is stamped with that reading's time. A row
// ends before a series would come a second time, or before a reading more than
// TrendGapMs after the row's first one. Fields are separated by ";"; temperatures have
// one decimal with the desktop's decimal separator (its system locale's, whichever language
// the window speaks).
// False when the file cannot be written.
bool WriteTrendCsv(const QString& path, const TTrendSamples& samples, const std::vector<int>& series, int64_t from,
                   int64_t to);
