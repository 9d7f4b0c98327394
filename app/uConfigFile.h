// Config.xml: the two connection strings of the tester, kept as the attributes
// ConnectionString and RS485ConnectionString of the root element Root, in windows-1250.
//
// The file lies in the program's folder. When that folder cannot be written, the file
// goes to the user's configuration folder instead ($XDG_CONFIG_HOME/valdrix-tester or
// ~/.config/valdrix-tester), and loading takes whichever of the two files is newer, so
// what was saved last is read next time.
#pragma once

#include <QString>

#include <string>

struct TTesterConfig {
    std::string ConnectionString;
    std::string RS485ConnectionString;
};

class TConfigFile {
public:
    static constexpr const char* FileName = "Config.xml";

    TConfigFile(QString programFolder, QString userFolder);
    // The folder named by VALDRIX_CONFIG_DIR when set, else the program file's folder;
    // the user's configuration folder as the fallback.
    static TConfigFile ForProgram();
    // $XDG_CONFIG_HOME/valdrix-tester, or ~/.config/valdrix-tester.
    static QString UserConfigFolder();

    // The file to load: the newer of the two existing ones; the program folder's when
    // neither exists.
    QString LoadPath() const;
    // Never fails: a missing, unreadable or foreign file, or a missing attribute, gives
    // empty strings for what could not be read.
    TTesterConfig Load() const;
    // Writes the whole file anew (atomically), in the program folder or, when that fails,
    // in the user's folder. Returns the path written; raises Exception when neither can
    // be written.
    QString Save(const TTesterConfig& config) const;

    const QString& ProgramFolder() const { return FProgramFolder; }
    const QString& UserFolder() const { return FUserFolder; }

private:
    QString FProgramFolder;
    QString FUserFolder;
};
