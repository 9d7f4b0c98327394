#include "temp_capture.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

TTempCapture::TTempCapture()
{
    char pattern[] = "/tmp/valdrix-capture-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd < 0) throw std::runtime_error("mkstemp failed");
    ::close(fd);
    FPath = pattern;
}

TTempCapture::~TTempCapture() { std::filesystem::remove(FPath); }

void TTempCapture::Write(const std::vector<TCaptureRecord>& records) const
{
    TPcapWriter writer;
    std::string error;
    if (!writer.Open(FPath, error)) throw std::runtime_error(error);
    for (const TCaptureRecord& record : records)
        if (!writer.Write(record)) throw std::runtime_error("cannot write " + FPath);
}

