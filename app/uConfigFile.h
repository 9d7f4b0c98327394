// Config.xml: the two connection strings of the tester, kept as the attributes
// ConnectionString and RS485ConnectionString of the root element Root, in windows-1250,
// and the "Znovu připojit" choice as Reconnect="1", written only when chosen (a file
// without it means not chosen, as before the choice existed). The station window's
// choices are attributes Station… beside them, each written only when not empty.
//
// Where the file is kept depends on where the program lies (HomeFor). A program installed
// in a system folder (/usr, /bin, /sbin, /opt), or in any folder its user may not write,
// keeps the file only in the user's configuration folder ($XDG_CONFIG_HOME/valdrix-tester
// or ~/.config/valdrix-tester), also when the superuser runs it; a file found beside such
// a program is read as long as the user has none, and the next save carries it over.
//
// A program run from a build or a copied folder keeps the file beside itself. When that
// folder cannot be written after all, the file goes to the user's configuration folder
// instead, and loading takes whichever of the two files is newer, so what was saved last
// is read next time.
//
// The tester never destroys a file it could not read: loading copies such a file to
// Config.xml.damaged before anything is written. A read-only file is never replaced,
// and a symbolic link is written through to its target.
#pragma once

#include <QCoreApplication>
#include <QString>

#include <string>

// What the station window remembers: the last plan, who tests where, the shared
// records' URL and the folder of the record files (empty: the default).
struct TStationConfig {
    std::string Plan, Operator, Station, SharedRecords, RecordFolder;

    bool operator==(const TStationConfig&) const = default;
};

struct TTesterConfig {
    std::string ConnectionString;
    std::string RS485ConnectionString;
    bool Reconnect = false;
    TStationConfig Station;

    bool operator==(const TTesterConfig&) const = default;
};

// The folder that holds the file.
enum class TConfigHome { ProgramFolder, UserFolder };

class TConfigFile {
    Q_DECLARE_TR_FUNCTIONS(TConfigFile)

public:
    static constexpr const char* FileName = "Config.xml";
    static constexpr const char* DamagedSuffix = ".damaged";

    TConfigFile(QString programFolder, QString userFolder, TConfigHome home = TConfigHome::ProgramFolder);
    // The folder named by VALDRIX_CONFIG_DIR when set (kept as the program's folder), else
    // the program file's folder with the home HomeFor gives it.
    static TConfigFile ForProgram();
    // $XDG_CONFIG_HOME/valdrix-tester, or ~/.config/valdrix-tester.
    static QString UserConfigFolder();
    // The user's folder for a program in a system folder or in one this user may not
    // write; the program's folder otherwise.
    static TConfigHome HomeFor(const QString& programFolder);

    // The file to load. With the user's folder as home: the user's file, or the one
    // beside the program while the user has none. Otherwise the newer of the two existing
    // ones, the program folder's when neither exists.
    QString LoadPath() const;
    // Never fails: a missing file or attribute gives empty strings; the root element's
    // attributes are read whatever its name. A file that exists but cannot be read gives
    // empty strings too, is copied to Config.xml.damaged beside it, and LoadProblem()
    // tells the user; when no copy can be made, Save leaves the file alone.
    TTesterConfig Load();
    // What the user should know about the last Load, in Czech; empty when all was well.
    const QString& LoadProblem() const { return FLoadProblem; }
    // Writes the whole file anew (atomically) and returns the path written: in the user's
    // folder when that is the home, else in the program folder or, when that fails, in the
    // user's folder. A file that must be left alone
    // (read-only, or unreadable and not copied) is not written: the result is empty, and
    // Exception says so when the configuration differs from the one loaded. Exception
    // also reports that neither folder can be written. Its messages are in Czech.
    QString Save(const TTesterConfig& config) const;

    const QString& ProgramFolder() const { return FProgramFolder; }
    const QString& UserFolder() const { return FUserFolder; }
    TConfigHome Home() const { return FHome; }

private:
    void KeepDamaged(const QString& path);
    // Why the file at this path must not be replaced; empty when it may be.
    QString LeftAloneReason(const QString& path) const;

    QString FProgramFolder;
    QString FUserFolder;
    TConfigHome FHome;
    TTesterConfig FLoaded;
    QString FLoadProblem;
    QString FUncopiedDamaged; // the target of an unreadable file that could not be copied
};
