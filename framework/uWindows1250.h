// Text in the Central European code page windows-1250, the one the modules use for
// their identification and other texts.
#pragma once

#include <string>
#include <string_view>

// The bytes as UTF-8, read as windows-1250; the five bytes the code page leaves
// undefined become U+FFFD, so the result is valid UTF-8 whatever the bytes.
std::string Windows1250ToUtf8(std::string_view bytes);
