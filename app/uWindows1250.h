// A module's windows-1250 text for the window (decoded by framework/uWindows1250.h).
#pragma once

#include <QString>

#include <string_view>

// The bytes as windows-1250 text.
QString FromWindows1250(std::string_view bytes);
