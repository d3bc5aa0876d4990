#include "core/mainwindow/InstanceGuard.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

class InstanceGuardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        InstanceGuard::setLockDirectory(dir.path());
    }
    void TearDown() override
    {
        InstanceGuard::releaseAll();
        InstanceGuard::setLockDirectory(QString());
    }
    QString lockPath(const QString& key) const
    {
        return QDir(dir.path()).filePath(key + QStringLiteral(".lock"));
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(InstanceGuardTest, SecondAcquireOfTheSameOperationIsRefusedUntilReleased)
{
    EXPECT_TRUE(InstanceGuard::tryAcquire(InstanceGuard::BACKUP_SETTING));
    EXPECT_FALSE(InstanceGuard::tryAcquire(InstanceGuard::BACKUP_SETTING));
    EXPECT_TRUE(InstanceGuard::isHeldHere(InstanceGuard::BACKUP_SETTING));
    InstanceGuard::release(InstanceGuard::BACKUP_SETTING);
    EXPECT_FALSE(InstanceGuard::isHeldHere(InstanceGuard::BACKUP_SETTING));
    EXPECT_FALSE(QFile::exists(lockPath(InstanceGuard::BACKUP_SETTING)));
    EXPECT_TRUE(InstanceGuard::tryAcquire(InstanceGuard::BACKUP_SETTING));
}

TEST_F(InstanceGuardTest, OperationsAreGuardedIndependently)
{
    for (const QString& key : InstanceGuard::operations())
        EXPECT_TRUE(InstanceGuard::tryAcquire(key)) << key.toStdString();
    InstanceGuard::release(InstanceGuard::CAMERA_SETTING);
    EXPECT_TRUE(InstanceGuard::isHeldHere(InstanceGuard::VIEWER_SETTING));
    EXPECT_TRUE(InstanceGuard::tryAcquire(InstanceGuard::CAMERA_SETTING));
}

TEST_F(InstanceGuardTest, LockHeldByAnotherLiveHolderRefuses)
{
    // Another copy: a separate lock object on the same file, as a second
    // process would make.
    QLockFile other(lockPath(InstanceGuard::BACKUP_DELETE));
    other.setStaleLockTime(0);
    ASSERT_TRUE(other.tryLock(0));
    EXPECT_FALSE(InstanceGuard::tryAcquire(InstanceGuard::BACKUP_DELETE));
    other.unlock();
    EXPECT_TRUE(InstanceGuard::tryAcquire(InstanceGuard::BACKUP_DELETE));
}

TEST_F(InstanceGuardTest, LockLeftByADeadProcessIsRecovered)
{
    const QString path = lockPath(InstanceGuard::VIEWER_SETTING);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A copy that takes the lock and dies without giving it back.
        QLockFile lock(path);
        lock.setStaleLockTime(0);
        ::_exit(lock.tryLock(0) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(QFile::exists(path));

    EXPECT_TRUE(InstanceGuard::tryAcquire(InstanceGuard::VIEWER_SETTING));
}

TEST_F(InstanceGuardTest, KeysThatCouldEscapeTheLockFolderAreRefused)
{
    EXPECT_FALSE(InstanceGuard::tryAcquire(QStringLiteral("../x")));
    EXPECT_FALSE(InstanceGuard::tryAcquire(QString()));
}

TEST_F(InstanceGuardTest, UnwritableLockFolderRefusesInsteadOfPassing)
{
    InstanceGuard::setLockDirectory(QStringLiteral("/proc/korvelta-no-such-dir"));
    EXPECT_FALSE(InstanceGuard::tryAcquire(InstanceGuard::BACKUP_SETTING));
}
