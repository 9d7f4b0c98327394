// Writes arbitrary bytes as Config.xml and loads it as the tester does at start-up, and
// aborts when loading raises, a file it cannot read is not kept as Config.xml.damaged
// (or still yields connection strings), or the connection strings it read do not come
// back unchanged after the tester has saved them and loaded the file again.
//
// The files live in a fresh folder under /dev/shm (or the temporary folder), removed at
// the end of the run.
#include "app/uConfigFile.h"

#include "framework/uExceptions.h"
#include "fuzz/fuzz_support.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

namespace {

struct TFolders {
    std::unique_ptr<QTemporaryDir> Base;
    QString Program;
    QString User;

    TFolders()
    {
        const QString shm = QStringLiteral("/dev/shm");
        Base = std::make_unique<QTemporaryDir>(QDir(QFileInfo(shm).isWritable() ? shm : QDir::tempPath())
                                                    .filePath(QStringLiteral("valdrix-fuzz-XXXXXX")));
        FuzzCheck(Base->isValid());
        Program = Base->filePath(QStringLiteral("program"));
        User = Base->filePath(QStringLiteral("user"));
        FuzzCheck(QDir().mkpath(Program) && QDir().mkpath(User));
    }
    QString File(const QString& folder) const { return QDir(folder).filePath(TConfigFile::FileName); }
};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    FuzzCheck(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const TFolders folders;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QString& folder : {folders.Program, folders.User}) {
        QFile::remove(folders.File(folder));
        QFile::remove(folders.File(folder) + TConfigFile::DamagedSuffix);
    }
    {
        QFile file(folders.File(folders.Program));
        FuzzCheck(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

    TConfigFile config(folders.Program, folders.User);
    TTesterConfig loaded;
    try {
        loaded = config.Load();
    } catch (...) {
        FuzzCheck(false);
    }
    if (!config.LoadProblem().isEmpty()) {
        FuzzCheck(loaded == TTesterConfig{});
        FuzzCheck(ReadAll(folders.File(folders.Program) + TConfigFile::DamagedSuffix) == bytes);
        return 0;
    }

    QString saved;
    try {
        saved = config.Save(loaded);
    } catch (const Exception&) {
        FuzzCheck(false); // what was read from XML can be written as XML
    }
    FuzzCheck(saved == folders.File(folders.Program));
    TConfigFile again(folders.Program, folders.User);
    FuzzCheck(again.Load() == loaded && again.LoadProblem().isEmpty());
    return 0;
}
