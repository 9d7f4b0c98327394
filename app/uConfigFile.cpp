#include "app/uConfigFile.h"

#include "framework/uExceptions.h"
#include "framework/uXmlUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

constexpr const char* RootName = "Root";
constexpr const char* ConnectionAttribute = "ConnectionString";
constexpr const char* RS485Attribute = "RS485ConnectionString";
constexpr const char* EmptyDocument = "<?xml version=\"1.0\" encoding=\"windows-1250\"?><Root/>";

QString FileIn(const QString& folder) { return QDir(folder).filePath(TConfigFile::FileName); }

void WriteFile(const QString& path, const TTesterConfig& config)
{
    const IntfPtr<TXMLDocument> doc = TXMLDocument::LoadFromText(EmptyDocument);
    const IntfPtr<IXMLNode> root = doc->DocumentElement();
    root->SetAttribute(ConnectionAttribute, config.ConnectionString);
    root->SetAttribute(RS485Attribute, config.RS485ConnectionString);
    doc->SaveToFile(path.toStdString());
}

} // namespace

TConfigFile::TConfigFile(QString programFolder, QString userFolder)
    : FProgramFolder(std::move(programFolder)), FUserFolder(std::move(userFolder))
{
}

TConfigFile TConfigFile::ForProgram()
{
    const QString configured = qEnvironmentVariable("VALDRIX_CONFIG_DIR");
    return TConfigFile(configured.isEmpty() ? QCoreApplication::applicationDirPath() : configured,
                       UserConfigFolder());
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
    if (user.isFile() && (!program.isFile() || user.lastModified() > program.lastModified()))
        return user.filePath();
    return program.filePath();
}

TTesterConfig TConfigFile::Load() const
{
    TTesterConfig config;
    const QString path = LoadPath();
    if (!QFileInfo(path).isFile()) return config;
    try {
        const IntfPtr<TXMLDocument> doc = TXMLDocument::LoadFromFile(path.toStdString());
        const IntfPtr<IXMLNode> root = doc->DocumentElement();
        if (!root || root->GetNodeName() != RootName) return config;
        config.ConnectionString = root->GetAttribute(ConnectionAttribute).value_or("");
        config.RS485ConnectionString = root->GetAttribute(RS485Attribute).value_or("");
    } catch (const Exception&) {
        // An unreadable file leaves what could not be read empty.
    }
    return config;
}

QString TConfigFile::Save(const TTesterConfig& config) const
{
    const QString programPath = FileIn(FProgramFolder);
    try {
        WriteFile(programPath, config);
        return programPath;
    } catch (const Exception& programError) {
        if (FUserFolder.isEmpty() || !QDir().mkpath(FUserFolder)) throw;
        const QString userPath = FileIn(FUserFolder);
        try {
            WriteFile(userPath, config);
        } catch (const Exception& userError) {
            throw Exception(programError.Message() + "; " + userError.Message());
        }
        return userPath;
    }
}
