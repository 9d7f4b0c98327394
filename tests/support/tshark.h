// Reads captures with the real tshark and the Wireshark dissector shipped in packaging/.
#pragma once

#include <string>
#include <vector>

// The shipped dissector in the source tree ($VALDRIX_SOURCE_DIR).
std::string DissectorPath();

// One row per frame that passes the display filter, the fields in the order asked
// (several occurrences of a field joined by ","). Two passes, so that a request shows
// the frame of its answer. Raises std::runtime_error when tshark fails.
std::vector<std::vector<std::string>> TsharkFields(const std::string& capture, const std::vector<std::string>& fields,
                                                   const std::string& filter = "");
