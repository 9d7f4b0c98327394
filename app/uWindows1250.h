// Text in the Central European code page windows-1250, the one the modules use.
#pragma once

#include <QString>

#include <string_view>

// The bytes as windows-1250 text; as Latin-1 where the platform has no such code page.
QString FromWindows1250(std::string_view bytes);
