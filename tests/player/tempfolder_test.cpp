#include "net/downtext.h"
#include "platform/privatefolder.h"
#include "platform/programpaths.h"
#include "playertest.h"

#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

using zvpaths::tempFolder;

namespace {

class TempFolder : public zvtest::PlayerTest {
protected:
    void TearDown() override {
        qunsetenv("TMPDIR");
        PlayerTest::TearDown();
    }
    static QString ownName(const QString& base) {
        return base + QStringLiteral("/zenovia-%1").arg(::getuid());
    }
    // A real folder of this user's own that nobody else may enter.
    static bool isPrivate(const QString& path) {
        struct stat info {};
        return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
               info.st_uid == ::getuid() && (info.st_mode & 0777) == 0700;
    }
};

}  // namespace

TEST_F(TempFolder, BaseIsTheFirstSetOfTempXdgRuntimeDirAndTmpdir) {
    QTemporaryDir temp, runtime, tmpdir;
    const struct {
        QString temp, runtime, tmpdir, base;
    } rows[] = {
        {temp.path(), runtime.path(), tmpdir.path(), temp.path()},
        {QString(), runtime.path(), tmpdir.path(), runtime.path()},
        {QString(), QString(), tmpdir.path(), tmpdir.path()},
        {QString(), QString(), QString(), "/tmp"},
    };
    for (const auto& row : rows) {
        qputenv("TEMP", row.temp.toUtf8());
        qputenv("XDG_RUNTIME_DIR", row.runtime.toUtf8());
        qputenv("TMPDIR", row.tmpdir.toUtf8());
        EXPECT_EQ(tempFolder(), ownName(row.base));
        EXPECT_TRUE(isPrivate(tempFolder())) << row.base.toStdString();
    }
}

TEST_F(TempFolder, ANameTakenByALinkOrAnotherUserIsNotUsed) {
    enum class Plant { Link, ForeignFolder, OwnOpenFolder };
    const struct {
        Plant plant;
        bool keepsName;
    } rows[] = {{Plant::Link, false}, {Plant::ForeignFolder, false}, {Plant::OwnOpenFolder, true}};
    for (const auto& row : rows) {
        QTemporaryDir base, elsewhere;
        const QString named = ownName(base.path());
        const QByteArray path = QFile::encodeName(named);
        switch (row.plant) {
            case Plant::Link:
                ASSERT_TRUE(QFile::link(elsewhere.path(), named));
                break;
            case Plant::ForeignFolder:
                if (::geteuid() != 0) {
                    continue;  // only root can give a folder away
                }
                ASSERT_EQ(::mkdir(path.constData(), 0700), 0);
                ASSERT_EQ(::chown(path.constData(), 4711, 4711), 0);
                break;
            case Plant::OwnOpenFolder:
                ASSERT_EQ(::mkdir(path.constData(), 0700), 0);
                ASSERT_EQ(::chmod(path.constData(), 0777), 0);
                break;
        }
        qputenv("TEMP", base.path().toUtf8());
        const QString used = tempFolder();
        EXPECT_EQ(used == named, row.keepsName) << used.toStdString();
        EXPECT_TRUE(isPrivate(used)) << used.toStdString();
        EXPECT_EQ(QFileInfo(used).absolutePath(), base.path());
        EXPECT_EQ(zvpaths::privateFolder(base.path()).toStdString(), used.toStdString())
            << "a later start";
    }
}

// The runtime folder is the user's, not the program's: it is used only when it is private, and
// its mode is never changed.
TEST_F(TempFolder, TheRuntimeFolderIsUsedOnlyWhenPrivateAndNeverChanged) {
    for (const mode_t mode : {0700, 0755}) {
        QTemporaryDir runtime;
        const QByteArray path = QFile::encodeName(runtime.path());
        ASSERT_EQ(::chmod(path.constData(), mode), 0);
        qputenv("XDG_RUNTIME_DIR", path);
        EXPECT_EQ(zvpaths::runtimeFolder() == runtime.path(), mode == 0700) << mode;
        struct stat info {};
        ASSERT_EQ(::stat(path.constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, mode);
    }
}
