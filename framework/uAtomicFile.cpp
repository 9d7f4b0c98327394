#include "uAtomicFile.h"

#include "uExceptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string FolderOfFile(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}

void WriteFileAtomically(const std::string& path, const std::string& bytes)
{
    const std::string fail = "Cannot save \"" + path + "\": ";
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) throw Exception(fail + std::strerror(errno));

    struct stat old {};
    const mode_t mode = stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    size_t done = 0;
    int err = fchmod(fd, mode) == 0 ? 0 : errno;
    while (err == 0 && done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR) err = errno;
        if (n > 0) done += size_t(n);
    }
    if (err == 0 && fsync(fd) != 0) err = errno;
    if (close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        unlink(temp.c_str());
        throw Exception(fail + std::strerror(err));
    }
    // Make the rename itself durable.
    const int dir = open(FolderOfFile(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
}

