// A directory of COM<n> entries for the programs a test starts, named to every child
// through VALDRIX_COM_DIR; every user may look into it (a test may run a program as
// another user). Removed with its entries when destroyed.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

class TComLinks {
public:
    TComLinks()
    {
        char pattern[] = "/tmp/valdrix-com-XXXXXX";
        if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
        ::chmod(pattern, 0755);
        ::setenv("VALDRIX_COM_DIR", FPath.c_str(), 1);
    }
    ~TComLinks()
    {
        ::unsetenv("VALDRIX_COM_DIR");
        std::filesystem::remove_all(FPath);
    }
    TComLinks(const TComLinks&) = delete;
    TComLinks& operator=(const TComLinks&) = delete;

    std::string Port(int n) const { return FPath + "/COM" + std::to_string(n); }
    // Makes COM<n> a link to `target` (a pseudo-terminal, or a path that does not exist).
    void Link(int n, const std::string& target) const { std::filesystem::create_symlink(target, Port(n)); }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};
