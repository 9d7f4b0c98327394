// Files replaced whole: the new content goes to a temporary file in the same folder, is
// flushed to the disk and renamed over the old file, and the rename itself is flushed,
// so a crash or a kill leaves the old or the new file, never a damaged one.
#pragma once

#include <string>

// Raises Exception naming the file and the reason when it cannot be written.
void WriteFileAtomically(const std::string& path, const std::string& bytes);
