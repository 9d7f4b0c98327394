// A temporary capture file for the tests, removed when destroyed.
#pragma once

#include "capture/uPcapWriter.h"

#include <string>
#include <vector>

class TTempCapture {
public:
    TTempCapture();
    ~TTempCapture();
    TTempCapture(const TTempCapture&) = delete;
    TTempCapture& operator=(const TTempCapture&) = delete;
    const std::string& Path() const { return FPath; }
    // Writes the records as a capture.
    void Write(const std::vector<TCaptureRecord>& records) const;

private:
    std::string FPath;
};
