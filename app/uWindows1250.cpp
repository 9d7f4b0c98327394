#include "app/uWindows1250.h"

#include "framework/uWindows1250.h"

QString FromWindows1250(std::string_view bytes) { return QString::fromStdString(Windows1250ToUtf8(bytes)); }
