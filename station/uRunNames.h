// The names a run is given by the operator or the command line: the unit's id, the
// station and the operator. Each goes into the record, the stores and the record's file
// name, so it must be UTF-8 text of a stated length; a name that is not is refused
// before the run begins.
#pragma once

#include <cstddef>
#include <string_view>

// The most characters (code points) a name may have.
constexpr size_t LongestRunName = 128;

enum class TRunNameFault {
    None,
    NotUtf8, // not valid UTF-8 (e.g. a Latin-1 byte)
    TooLong, // more than LongestRunName characters
};

TRunNameFault CheckRunName(std::string_view name);
