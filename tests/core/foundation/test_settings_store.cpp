#include "../../support/FileSizeLimit.h"
#include "core/foundation/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>
#include <thread>
#include <utility>

namespace {

using namespace std::chrono_literals;

// Each test works on files of its own, then gives the run its file back.
class SettingsStoreFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = SettingsStore::open()->fileName();
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override
    {
        SettingsStore::setWriteDelay(SettingsStore::DEFAULT_WRITE_DELAY);
        SettingsStore::useFile(m_previous);
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // What QSettings reads from the file as it is now (a copy of its own, so
    // that no earlier read of the file's name is taken from Qt's cache).
    QVariant readByQSettings(const QString& file, const QString& key)
    {
        const QString copy = path(QStringLiteral("qsettings-%1.ini").arg(m_copies++));
        EXPECT_TRUE(QFile::copy(file, copy));
        return QSettings(copy, QSettings::IniFormat).value(key);
    }

    QTemporaryDir m_dir;

private:
    QString m_previous;
    int m_copies = 0;
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The file's inode and change time: a rewrite gives new ones.
std::pair<ino_t, qint64> stampOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {0, 0};
    return {st.st_ino, qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

bool waitForWrites(quint64 count)
{
    for (int i = 0; i < 1000 && SettingsStore::writeCount() < count; ++i) std::this_thread::sleep_for(10ms);
    return SettingsStore::writeCount() == count;
}

} // namespace

TEST_F(SettingsStoreFile, ChangesAreWrittenTogetherOnceTheyStopAndMergedIntoWhatQSettingsReads)
{
    using Value = std::pair<QString, QVariant>;
    const QList<Value> tricky = {
        {"comma", "a, b,c"},
        {"quotes", "say \"hi\""},
        {"backslash", "C:\\dir\\"},
        {"spaces", "  lead and trail  "},
        {"marker", "@ByteArray(not bytes)"},
        {"at", "@"},
        {"unicode", QString::fromUtf8("Grüße 日本 ✓ 😀")},
        {"control", QStringLiteral("tab\tline\ncr\r\a\x01" "f\x1f" "end")},
        {"nul", QStringLiteral("nul") + QChar(0) + QStringLiteral("1 after")},
        {"semicolon", "a;b=c"},
        {"empty", ""},
        {"truth", true},
        {"number", 42},
        {"big", qint64(1) << 40},
        {"fraction", 0.1},
        {"negative", -2.5},
        {"single", 0.3f},
        {"group/key", "in a section"},
    };
    SettingsStore::Store* store = SettingsStore::open();

    // The same values give the text QSettings writes, and read back from it.
    const QString byQt = path("qt.ini");
    {
        QSettings qt(byQt, QSettings::IniFormat);
        for (const auto& [key, value] : tricky) qt.setValue(key, value);
    }
    const QString ours = path("ours.ini");
    SettingsStore::useFile(ours);
    for (const auto& [key, value] : tricky) store->setValue(key, value);
    EXPECT_EQ(SettingsStore::flush(), QString());
    EXPECT_EQ(readAll(ours), readAll(byQt));
    for (const auto& [key, value] : tricky)
        EXPECT_EQ(readByQSettings(ours, key).toString(), value.toString()) << qPrintable(key);
    SettingsStore::useFile(byQt);
    for (const auto& [key, value] : tricky)
        EXPECT_EQ(store->value(key).toString(), value.toString()) << qPrintable(key);

    // Values equal to the stored ones as written ("true" read, true given)
    // change nothing: no write, not even by a flush, of a file another
    // program wrote in a way of its own.
    const QString byHand = path("by-hand.ini");
    {
        QFile f(byHand);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("; written by hand\n[General]\ntruth = true\nnumber=42\nsingle = 0.30000001192092896\n");
    }
    SettingsStore::useFile(byHand);
    quint64 writes = SettingsStore::writeCount();
    auto stamp = stampOf(byHand);
    store->setValue("truth", true);
    store->setValue("number", "42");
    store->setValue("single", 0.3f);
    EXPECT_EQ(SettingsStore::flush(), QString());
    EXPECT_EQ(SettingsStore::writeCount(), writes);
    EXPECT_EQ(stampOf(byHand), stamp);

    // Another copy writes a key of its own; this copy's changes wait until
    // they stop, then go in one write that keeps the other copy's key.
    SettingsStore::useFile(ours);
    SettingsStore::setWriteDelay(1h);
    QSettings(ours, QSettings::IniFormat).setValue("otherCopy", "kept");
    stamp = stampOf(ours);
    store->setValue("number", 43);
    store->remove("comma");
    store->setValue("added", "new");
    EXPECT_EQ(store->value("number").toInt(), 43);
    EXPECT_FALSE(store->contains("comma"));
    // Time in which a writer that did not wait would have written.
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(SettingsStore::writeCount(), writes);
    EXPECT_EQ(stampOf(ours), stamp);
    SettingsStore::setWriteDelay(10ms);
    ASSERT_TRUE(waitForWrites(writes + 1));
    EXPECT_EQ(SettingsStore::flush(), QString());
    EXPECT_EQ(SettingsStore::writeCount(), writes + 1);
    EXPECT_EQ(readByQSettings(ours, "number").toInt(), 43);
    EXPECT_FALSE(readByQSettings(ours, "comma").isValid());
    EXPECT_EQ(readByQSettings(ours, "added").toString(), "new");
    EXPECT_EQ(readByQSettings(ours, "otherCopy").toString(), "kept");
    EXPECT_EQ(readByQSettings(ours, "group/key").toString(), "in a section");
    // The other copy's key is not taken into this copy: its file was read once.
    EXPECT_FALSE(store->contains("otherCopy"));

    // A change undone before it was written writes nothing; a flush writes
    // at once.
    SettingsStore::setWriteDelay(1h);
    store->setValue("number", 44);
    store->setValue("number", 43);
    EXPECT_EQ(SettingsStore::flush(), QString());
    EXPECT_EQ(SettingsStore::writeCount(), writes + 1);
    store->setValue("flushed", 1);
    EXPECT_EQ(SettingsStore::flush(), QString());
    EXPECT_EQ(SettingsStore::writeCount(), writes + 2);
    EXPECT_EQ(readByQSettings(ours, "flushed").toInt(), 1);
}

TEST_F(SettingsStoreFile, AFailedWriteGivesTheSystemsReasonKeepsTheFileAndIsTriedAgain)
{
    const QString file = path("settings.ini");
    SettingsStore::useFile(file);
    SettingsStore::Store* store = SettingsStore::open();
    store->setValue("small", "old");
    ASSERT_EQ(SettingsStore::flush(), QString());
    const QByteArray old = readAll(file);

    // Files of this process may grow no further than 1 KiB: the write fails
    // as on a full disk.
    store->setValue("large", QString(4000, QLatin1Char('x')));
    const QString why = [] {
        const testfiles::FileSizeLimit limit(1024);
        EXPECT_TRUE(limit.made());
        return SettingsStore::flush();
    }();

    EXPECT_EQ(why, QStringLiteral("The settings file \"%1\" could not be written.\n").arg(file) +
                       qt_error_string(EFBIG));
    EXPECT_EQ(readAll(file), old);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"settings.ini"});

    // The change stays and goes with the next write.
    EXPECT_EQ(store->value("large").toString().size(), 4000);
    EXPECT_EQ(SettingsStore::flush(), QString());
    EXPECT_EQ(readByQSettings(file, "large").toString().size(), 4000);
    EXPECT_EQ(readByQSettings(file, "small").toString(), "old");
}

TEST_F(SettingsStoreFile, AMergeIntoAFileQSettingsWroteGivesWhatQSettingsWouldHaveWritten)
{
    const auto fill = [](QSettings& s) {
        s.setValue("zeta", 1);
        s.setValue("Alpha", "x");
        s.setValue("mid/b", 2);
        s.setValue("mid/A", 3);
        s.setValue("Zz/k", 4);
    };
    const QString ours = path("ours.ini");
    const QString byQt = path("qt.ini");
    for (const QString& file : {ours, byQt}) {
        QSettings s(file, QSettings::IniFormat);
        fill(s);
    }
    // The same changes by each: new keys in the General section and in an
    // old one, new sections before and after the old ones, a change and a
    // removal.
    const QList<std::pair<QString, QVariant>> changes = {
        {"beta", "new"}, {"Beta", "New"}, {"mid/a", 5}, {"aa/k", 6}, {"zz/k", 7}, {"zeta", 8}};
    {
        QSettings s(byQt, QSettings::IniFormat);
        for (const auto& [key, value] : changes) s.setValue(key, value);
        s.remove("mid/b");
    }
    SettingsStore::useFile(ours);
    for (const auto& [key, value] : changes) SettingsStore::open()->setValue(key, value);
    SettingsStore::open()->remove("mid/b");
    EXPECT_EQ(SettingsStore::flush(), QString());
    EXPECT_EQ(readAll(ours), readAll(byQt));
}

TEST_F(SettingsStoreFile, ALinkIsWrittenThroughAndWhatIsNoFileIsNeverWaitedOnNorReplaced)
{
    SettingsStore::Store* store = SettingsStore::open();
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("kept"));
    QSettings(path("kept/real.ini"), QSettings::IniFormat).setValue("old", "value");
    const auto linkTo = [this](const QString& name) { return QFile::symLinkTarget(path(name)); };

    // A link to the user's own file, and a link to a file not made yet: the
    // file named is written, the link stays.
    ASSERT_TRUE(QFile::link("kept/real.ini", path("settings.ini")));
    ASSERT_TRUE(QFile::link("kept/new.ini", path("dangling.ini")));
    for (const auto& [name, target] : {std::pair{"settings.ini", "kept/real.ini"}, {"dangling.ini", "kept/new.ini"}}) {
        SettingsStore::useFile(path(name));
        store->setValue("written", name);
        EXPECT_EQ(SettingsStore::flush(), QString()) << name;
        EXPECT_EQ(linkTo(name), path(target)) << name;
        EXPECT_EQ(readByQSettings(path(target), "written").toString(), name);
    }
    EXPECT_EQ(readByQSettings(path("kept/real.ini"), "old").toString(), "value");
    // Into a folder that is not there, nothing is made.
    ASSERT_TRUE(QFile::link("gone/x.ini", path("nowhere.ini")));
    SettingsStore::useFile(path("nowhere.ini"));
    store->setValue("written", 1);
    EXPECT_TRUE(SettingsStore::flush().endsWith(qt_error_string(ENOENT)));
    EXPECT_FALSE(QFileInfo::exists(path("gone")));

    // A FIFO at the name: the store starts empty at once instead of waiting
    // for a writer, and never replaces it.
    const QString fifo = path("fifo.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    auto opened = std::async(std::launch::async, [&] {
        SettingsStore::useFile(fifo);
        return store->contains("written");
    });
    if (opened.wait_for(5s) != std::future_status::ready) {
        // A writer lets the blocked read end, and the test with it.
        ::close(::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK));
        ADD_FAILURE() << "reading the settings waited on a FIFO";
    }
    EXPECT_FALSE(opened.get());
    store->setValue("written", 2);
    EXPECT_EQ(SettingsStore::flush(),
              QStringLiteral("The settings file \"%1\" could not be written.\nIt is not a regular file.").arg(fifo));
    struct stat st {};
    EXPECT_TRUE(::lstat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
}
