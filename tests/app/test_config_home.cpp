// Where Config.xml lives: with the user for a program installed in a system folder or in
// one its user may not write, beside the program otherwise.
#include "app/uConfigFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

void PutConfigFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(content);
}

QByteArray ConfigFileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ConfigHomeTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        ASSERT_TRUE(QDir().mkpath(ProgramFolder));
    }

    QTemporaryDir Dir;
    const QString ProgramFolder = Dir.filePath(QStringLiteral("program"));
    const QString UserFolder = Dir.filePath(QStringLiteral("user"));
};

TEST_F(ConfigHomeTest, SystemAndUnwritableFoldersKeepTheFileWithTheUser)
{
    const QString readOnly = Dir.filePath(QStringLiteral("read-only"));
    ASSERT_TRUE(QDir().mkpath(readOnly));
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner));
    // A path below a plain file cannot be written, not even by the superuser.
    const QString belowFile = Dir.filePath(QStringLiteral("file"));
    PutConfigFile(belowFile, "x");
    const bool superuser = ::geteuid() == 0;
    const std::pair<QString, TConfigHome> cases[] = {
        {QStringLiteral("/usr/bin"), TConfigHome::UserFolder},
        {QStringLiteral("/usr/local/bin/"), TConfigHome::UserFolder},
        {QStringLiteral("/bin"), TConfigHome::UserFolder},
        {QStringLiteral("/opt/valdrix/bin"), TConfigHome::UserFolder},
        {QStringLiteral("/usr/../tmp/..") + ProgramFolder, TConfigHome::ProgramFolder},
        {ProgramFolder, TConfigHome::ProgramFolder},
        {belowFile + QStringLiteral("/program"), TConfigHome::UserFolder},
        // The superuser may write any folder of a writable file system.
        {readOnly, superuser ? TConfigHome::ProgramFolder : TConfigHome::UserFolder},
    };
    for (const auto& [folder, home] : cases) EXPECT_EQ(TConfigFile::HomeFor(folder), home) << folder.toStdString();
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(ConfigHomeTest, WithTheUserAFileBesideTheProgramIsCarriedOverAndLeftAlone)
{
    const QString besideProgram = ProgramFolder + QStringLiteral("/Config.xml");
    const QByteArray old = "<Root ConnectionString=\"provider=TCP_CLIENT;host=old\" RS485ConnectionString=\"rs\"/>";
    PutConfigFile(besideProgram, old);
    TConfigFile file(ProgramFolder, UserFolder, TConfigHome::UserFolder);
    EXPECT_EQ(file.Load(), (TTesterConfig{"provider=TCP_CLIENT;host=old", "rs", false}));
    EXPECT_EQ(file.Save({"new", "rs", true}), UserFolder + QStringLiteral("/Config.xml"));

    // The user's file is read from now on, however new the one beside the program is.
    PutConfigFile(besideProgram, old);
    EXPECT_EQ(file.Load(), (TTesterConfig{"new", "rs", true}));
    EXPECT_EQ(ConfigFileContent(besideProgram), old);
    EXPECT_EQ(QDir(ProgramFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"Config.xml"});
}

TEST_F(ConfigHomeTest, WithTheUserADamagedFileBesideTheProgramIsCopiedToTheUsersFolder)
{
    const QByteArray damaged = "<Root ConnectionString=\"a\"";
    PutConfigFile(ProgramFolder + QStringLiteral("/Config.xml"), damaged);
    TConfigFile file(ProgramFolder, UserFolder, TConfigHome::UserFolder);
    EXPECT_EQ(file.Load(), TTesterConfig{});
    EXPECT_TRUE(file.LoadProblem().contains(UserFolder + QStringLiteral("/Config.xml.damaged")))
        << file.LoadProblem().toStdString();
    EXPECT_EQ(ConfigFileContent(UserFolder + QStringLiteral("/Config.xml.damaged")), damaged);
    EXPECT_EQ(file.Save({"a", "b"}), UserFolder + QStringLiteral("/Config.xml"));
    EXPECT_EQ(QDir(ProgramFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"Config.xml"});
}

} // namespace
