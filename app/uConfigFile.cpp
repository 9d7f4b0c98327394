#include "app/uConfigFile.h"

#include "framework/uExceptions.h"
#include "framework/uXmlUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <iterator>

namespace {

constexpr const char* ConnectionAttribute = "ConnectionString";
constexpr const char* RS485Attribute = "RS485ConnectionString";
constexpr const char* ReconnectAttribute = "Reconnect";
// The station window's choices, by their attribute.
constexpr struct {
    const char* Name;
    std::string TStationConfig::*Field;
} StationAttributes[] = {
    {"StationPlan", &TStationConfig::Plan},
    {"StationOperator", &TStationConfig::Operator},
    {"StationName", &TStationConfig::Station},
    {"StationSharedRecords", &TStationConfig::SharedRecords},
    {"StationRecordFolder", &TStationConfig::RecordFolder},
};
constexpr const char* EmptyDocument = "<?xml version=\"1.0\" encoding=\"windows-1250\"?><Root/>";

QString FileIn(const QString& folder) { return QDir(folder).filePath(TConfigFile::FileName); }

// Where writing the file goes: through symbolic links to their final target, so that the
// link stays a link.
QString WriteTarget(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink()) return path;
    const QString target = info.canonicalFilePath(); // empty while the target does not exist
    return target.isEmpty() ? info.symLinkTarget() : target;
}

// A file this user may not write, or one whose mode grants writing to nobody (which
// binds the superuser too). Replacing it through a rename would work all the same, so
// it has to be asked.
bool IsReadOnly(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists()) return false;
    const QFile::Permissions modeWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !info.isWritable() || !(info.permissions() & modeWrite);
}

// Where packaged programs lie. A program there is the system's, not the user's, even
// when the superuser, who may write anywhere, runs it.
const char* const SystemFolders[] = {"/usr", "/bin", "/sbin", "/opt"};

bool InSystemFolder(const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QString path = canonical.isEmpty() ? QDir::cleanPath(folder) : canonical;
    return std::any_of(std::begin(SystemFolders), std::end(SystemFolders), [&path](const char* system) {
        const QString prefix = QLatin1String(system);
        return path == prefix || path.startsWith(prefix + u'/');
    });
}

QString Quoted(const QString& path) { return QStringLiteral("„%1“").arg(QDir::toNativeSeparators(path)); }

void WriteFile(const QString& path, const TTesterConfig& config)
{
    const IntfPtr<TXMLDocument> doc = TXMLDocument::LoadFromText(EmptyDocument);
    const IntfPtr<IXMLNode> root = doc->DocumentElement();
    root->SetAttribute(ConnectionAttribute, config.ConnectionString);
    root->SetAttribute(RS485Attribute, config.RS485ConnectionString);
    if (config.Reconnect) root->SetAttribute(ReconnectAttribute, "1");
    for (const auto& attribute : StationAttributes)
        if (const std::string& value = config.Station.*attribute.Field; !value.empty())
            root->SetAttribute(attribute.Name, value);
    doc->SaveToFile(path.toStdString());
}

} // namespace

TConfigFile::TConfigFile(QString programFolder, QString userFolder, TConfigHome home)
    : FProgramFolder(std::move(programFolder)), FUserFolder(std::move(userFolder)), FHome(home)
{
}

TConfigFile TConfigFile::ForProgram()
{
    const QString configured = qEnvironmentVariable("VALDRIX_CONFIG_DIR");
    if (!configured.isEmpty()) return TConfigFile(configured, UserConfigFolder());
    const QString folder = QCoreApplication::applicationDirPath();
    return TConfigFile(folder, UserConfigFolder(), HomeFor(folder));
}

TConfigHome TConfigFile::HomeFor(const QString& programFolder)
{
    if (InSystemFolder(programFolder) || !QFileInfo(programFolder).isWritable()) return TConfigHome::UserFolder;
    return TConfigHome::ProgramFolder;
}

QString TConfigFile::UserConfigFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::home().filePath(QStringLiteral(".config"));
    return QDir(base).filePath(QStringLiteral("valdrix-tester"));
}

QString TConfigFile::LoadPath() const
{
    const QFileInfo program(FileIn(FProgramFolder));
    const QFileInfo user(FileIn(FUserFolder));
    if (FHome == TConfigHome::UserFolder)
        return user.isFile() || !program.isFile() ? user.filePath() : program.filePath();
    if (user.isFile() && (!program.isFile() || user.lastModified() > program.lastModified()))
        return user.filePath();
    return program.filePath();
}

TTesterConfig TConfigFile::Load()
{
    FLoaded = {};
    FLoadProblem.clear();
    FUncopiedDamaged.clear();
    const QString path = LoadPath();
    if (!QFileInfo::exists(path)) return FLoaded;
    try {
        const IntfPtr<TXMLDocument> doc = TXMLDocument::LoadFromFile(path.toStdString());
        const IntfPtr<IXMLNode> root = doc->DocumentElement();
        FLoaded.ConnectionString = root->GetAttribute(ConnectionAttribute).value_or("");
        FLoaded.RS485ConnectionString = root->GetAttribute(RS485Attribute).value_or("");
        FLoaded.Reconnect = root->GetAttribute(ReconnectAttribute).value_or("") == "1";
        for (const auto& attribute : StationAttributes)
            FLoaded.Station.*attribute.Field = root->GetAttribute(attribute.Name).value_or("");
    } catch (const Exception&) {
        FLoaded = {};
        KeepDamaged(path);
    }
    return FLoaded;
}

void TConfigFile::KeepDamaged(const QString& path)
{
    // Nothing is written beside a program whose settings live with the user.
    const QString copy = (FHome == TConfigHome::UserFolder ? FileIn(FUserFolder) : path) + DamagedSuffix;
    if (FHome == TConfigHome::UserFolder) QDir().mkpath(FUserFolder);
    QFile::remove(copy);
    if (QFile::copy(path, copy)) {
        FLoadProblem = tr("Soubor nastavení %1 nelze přečíst. Jeho kopie je uložena jako %2; "
                                      "připojení je třeba nastavit znovu.")
                           .arg(Quoted(path), Quoted(copy));
    } else {
        FUncopiedDamaged = WriteTarget(path);
        FLoadProblem = tr("Soubor nastavení %1 nelze přečíst ani zkopírovat, proto nebude přepsán. "
                                      "Připojení je třeba nastavit znovu.")
                           .arg(Quoted(path));
    }
}

QString TConfigFile::LeftAloneReason(const QString& path) const
{
    if (path == FUncopiedDamaged)
        return tr("Soubor nastavení %1 nelze přečíst, proto nebyl přepsán; "
                              "nastavení připojení nebylo uloženo.")
            .arg(Quoted(path));
    if (IsReadOnly(path))
        return tr("Soubor nastavení %1 je jen pro čtení; nastavení připojení nebylo uloženo.")
            .arg(Quoted(path));
    return QString();
}

QString TConfigFile::Save(const TTesterConfig& config) const
{
    QStringList failed;
    const QStringList folders =
        FHome == TConfigHome::UserFolder ? QStringList{FUserFolder} : QStringList{FProgramFolder, FUserFolder};
    for (const QString& folder : folders) {
        if (folder.isEmpty()) continue;
        const QString path = WriteTarget(FileIn(folder));
        if (const QString reason = LeftAloneReason(path); !reason.isEmpty()) {
            if (config == FLoaded) return QString();
            throw Exception(reason.toStdString());
        }
        try {
            if (folder == FUserFolder) QDir().mkpath(folder);
            WriteFile(path, config);
            return path;
        } catch (const Exception&) {
            failed << Quoted(path);
        }
    }
    throw Exception(
        tr("Nastavení připojení se nepodařilo uložit do %1.").arg(failed.join(tr(" ani do ")))
            .toStdString());
}
