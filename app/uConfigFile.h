// Config.xml: the two connection strings of the tester, kept as the attributes
// ConnectionString and RS485ConnectionString of the root element Root, in windows-1250,
// and the "Znovu připojit" choice as Reconnect="1", written only when chosen (a file
// without it means not chosen, as before the choice existed).
//
// The file lies in the program's folder. When that folder cannot be written, the file
// goes to the user's configuration folder instead ($XDG_CONFIG_HOME/valdrix-tester or
// ~/.config/valdrix-tester), and loading takes whichever of the two files is newer, so
// what was saved last is read next time.
//
// The tester never destroys a file it could not read: loading copies such a file to
// Config.xml.damaged before anything is written. A read-only file is never replaced,
// and a symbolic link is written through to its target.
#pragma once

#include <QString>

#include <string>

struct TTesterConfig {
    std::string ConnectionString;
    std::string RS485ConnectionString;
    bool Reconnect = false;

    bool operator==(const TTesterConfig&) const = default;
};

class TConfigFile {
public:
    static constexpr const char* FileName = "Config.xml";
    static constexpr const char* DamagedSuffix = ".damaged";

    TConfigFile(QString programFolder, QString userFolder);
    // The folder named by VALDRIX_CONFIG_DIR when set, else the program file's folder;
    // the user's configuration folder as the fallback.
    static TConfigFile ForProgram();
    // $XDG_CONFIG_HOME/valdrix-tester, or ~/.config/valdrix-tester.
    static QString UserConfigFolder();

    // The file to load: the newer of the two existing ones; the program folder's when
    // neither exists.
    QString LoadPath() const;
    // Never fails: a missing file or attribute gives empty strings; the root element's
    // attributes are read whatever its name. A file that exists but cannot be read gives
    // empty strings too, is copied to Config.xml.damaged beside it, and LoadProblem()
    // tells the user; when no copy can be made, Save leaves the file alone.
    TTesterConfig Load();
    // What the user should know about the last Load, in Czech; empty when all was well.
    const QString& LoadProblem() const { return FLoadProblem; }
    // Writes the whole file anew (atomically), in the program folder or, when that fails,
    // in the user's folder, and returns the path written. A file that must be left alone
    // (read-only, or unreadable and not copied) is not written: the result is empty, and
    // Exception says so when the configuration differs from the one loaded. Exception
    // also reports that neither folder can be written. Its messages are in Czech.
    QString Save(const TTesterConfig& config) const;

    const QString& ProgramFolder() const { return FProgramFolder; }
    const QString& UserFolder() const { return FUserFolder; }

private:
    void KeepDamaged(const QString& path);
    // Why the file at this path must not be replaced; empty when it may be.
    QString LeftAloneReason(const QString& path) const;

    QString FProgramFolder;
    QString FUserFolder;
    TTesterConfig FLoaded;
    QString FLoadProblem;
    QString FUncopiedDamaged; // the target of an unreadable file that could not be copied
};
