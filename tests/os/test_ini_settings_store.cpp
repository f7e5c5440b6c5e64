#include "os/failure.h"
#include "os/ini_settings_store.h"
#include "support/hang_guard.h"
#include "support/qt_printers.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;

namespace {

// Points the user's configuration folder at a temporary one for one test.
struct IniSettingsStoreTest : ::testing::Test {
    QTemporaryDir config;
    QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    IniSettingsStore store;

    IniSettingsStoreTest() { qputenv("XDG_CONFIG_HOME", config.path().toUtf8()); }
    ~IniSettingsStoreTest() override { qputenv("XDG_CONFIG_HOME", previous); }

    QString file() const { return config.path() + u"/Kestrune/Kestrune.ini"_s; }
    void write(const QByteArray& content)
    {
        QDir().mkpath(config.path() + u"/Kestrune"_s);
        QFile out(file());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
    }
    QString lastFolder() const { return store.read(u"Kestrune"_s, u"Ferrowax"_s, u"LastFolderDot"_s, {}); }
};

TEST_F(IniSettingsStoreTest, ReadsTheStoredFolderFromTheUsersConfigurationFolder)
{
    EXPECT_EQ(IniSettingsStore::fileFor(u"Kestrune"_s), file());
    write("[Ferrowax]\nLastFolderDot=/home/ada/Pictures\n");
    EXPECT_EQ(lastFolder(), u"/home/ada/Pictures"_s);
    EXPECT_EQ(store.read(u"Kestrune"_s, u"Ferrowax"_s, u"Missing"_s, u"fallback"_s), u"fallback"_s);
}

TEST_F(IniSettingsStoreTest, ValueIsReadExactlyAsWritten)
{
    write("[Other]\nLastFolderDot=/not/this\n[Ferrowax]\r\nLastFolderDot= /srv/photos, 2024; \"best\" =x \r\n");
    EXPECT_EQ(lastFolder(), u" /srv/photos, 2024; \"best\" =x "_s);
    // A key of a later section is not the Ferrowax section's.
    write("[Ferrowax]\nOther=1\n[Later]\nLastFolderDot=/not/this\n");
    EXPECT_EQ(lastFolder(), QString());
}

TEST_F(IniSettingsStoreTest, MissingStoreReadsAsEmptyAndOneThatCannotBeReadFails)
{
    const ferrowax::testing::HangGuard guard;
    EXPECT_EQ(lastFolder(), QString());
    write(QByteArray("\x00\xff\xfe[[[\n=\n\x01", 11));
    EXPECT_THROW(lastFolder(), Failure);
    write("[Ferrowax\nLastFolderDot=/a\n");
    EXPECT_THROW(lastFolder(), Failure);
    // Read whole up to 1 MiB, and not a byte more.
    const QByteArray start = "[Ferrowax]\nLastFolderDot=/a\n";
    write(start + QByteArray(1024 * 1024 - start.size(), ';'));
    EXPECT_EQ(lastFolder(), u"/a"_s);
    write(start + QByteArray(1024 * 1024 - start.size() + 1, ';'));
    EXPECT_THROW(lastFolder(), Failure);
    QFile::remove(file());
    QDir().mkpath(file()); // a folder where the file should be
    EXPECT_THROW(lastFolder(), Failure);
    QDir().rmdir(file());
    ASSERT_EQ(::mkfifo(QFile::encodeName(file()).constData(), 0600), 0); // never opened for a writer
    EXPECT_THROW(lastFolder(), Failure);
}

TEST_F(IniSettingsStoreTest, ReadingNeverChangesTheFile)
{
    const QByteArray content = "; kept as written\n[Ferrowax]\nLastFolderDot=/srv/photos\nOther=1\n";
    write(content);
    const QDateTime modified = QFileInfo(file()).lastModified();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(lastFolder(), u"/srv/photos"_s);
    QFile in(file());
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), content);
    EXPECT_EQ(QFileInfo(file()).lastModified(), modified);
    EXPECT_EQ(QDir(config.path() + u"/Kestrune"_s).entryList(QDir::Files), QStringList{u"Kestrune.ini"_s});
}

} // namespace
