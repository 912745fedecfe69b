// Run directory, role decision, safe file writes and the card library binding.
#include "core/catalogue.h"
#include "core/language.h"
#include "core/messages.h"
#include "core/nimbrel_binding.h"
#include "core/startup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>

using namespace brisken;

namespace {

mode_t ModeOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info.st_mode & 07777;
}

class StartupTest : public ::testing::Test {
protected:
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
    QString reason;
};

TEST_F(StartupTest, CreatesMissingRunDirectoryPrivate) {
    const QString run = Path("cache/brisken");
    ASSERT_TRUE(EnsurePrivateDirectory(run, &reason)) << reason.toStdString();
    EXPECT_TRUE(QFileInfo(run).isDir());
    EXPECT_EQ(ModeOf(run), 0700u);
    EXPECT_TRUE(EnsurePrivateDirectory(run, &reason)); // again: already fine
}

TEST_F(StartupTest, RefusesUnsafeRunDirectories) {
    const QString open = Path("open");
    ASSERT_TRUE(QDir().mkdir(open));
    ::chmod(QFile::encodeName(open).constData(), 0755);
    EXPECT_FALSE(EnsurePrivateDirectory(open, &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("755"))) << reason.toStdString();

    const QString target = Path("target");
    ASSERT_TRUE(QDir().mkdir(target));
    ::chmod(QFile::encodeName(target).constData(), 0700);
    const QString link = Path("link");
    ASSERT_TRUE(QFile::link(target, link));
    reason.clear();
    EXPECT_FALSE(EnsurePrivateDirectory(link, &reason));
    EXPECT_FALSE(reason.isEmpty());

    const QString file = Path("file");
    QFile plain(file);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_FALSE(EnsurePrivateDirectory(file, &reason));
}

TEST_F(StartupTest, RunDirectoryFollowsCacheHome) {
    const QByteArray savedXdg = qgetenv("XDG_CACHE_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(dir.path()));
    qputenv("XDG_CACHE_HOME", "/var/tmp/somewhere");
    EXPECT_EQ(RunDirectoryPath(), QStringLiteral("/var/tmp/somewhere/brisken"));
    qputenv("XDG_CACHE_HOME", "relative/cache"); // not absolute: ignored
    EXPECT_EQ(RunDirectoryPath(), dir.path() + QStringLiteral("/.cache/brisken"));
    qunsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(RunDirectoryPath(), dir.path() + QStringLiteral("/.cache/brisken"));
    savedXdg.isNull() ? qunsetenv("XDG_CACHE_HOME") : qputenv("XDG_CACHE_HOME", savedXdg);
    qputenv("HOME", savedHome);
}

TEST_F(StartupTest, WorkerRoleOnlyInTheRunDirectory) {
    const QString run = Path("run");
    ASSERT_TRUE(QDir().mkdir(run));
    ASSERT_TRUE(QFile::link(run, Path("alias")));
    EXPECT_TRUE(IsWorkerDirectory(run, run));
    EXPECT_TRUE(IsWorkerDirectory(run + QStringLiteral("/"), run));
    EXPECT_TRUE(IsWorkerDirectory(dir.path() + QStringLiteral("/./run/../run"), run));
    EXPECT_TRUE(IsWorkerDirectory(Path("alias"), run));
    EXPECT_FALSE(IsWorkerDirectory(dir.path(), run));
    EXPECT_FALSE(IsWorkerDirectory(Path("RUN"), run)); // names are case-sensitive here
    EXPECT_FALSE(IsWorkerDirectory(Path("missing"), Path("missing")));
}

TEST_F(StartupTest, AtomicWriteReplacesWholeAndLeavesNoTemporaries) {
    const QString target = Path("libnimbrel.so");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old image");
    }
    QFile reader(target);
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly)); // as a process that has it mapped
    const QByteArray image(100000, 'x');
    ASSERT_TRUE(WriteFileAtomically(target, image, QFileDevice::ReadOwner | QFileDevice::WriteOwner,
                                    &reason))
        << reason.toStdString();
    EXPECT_EQ(reader.readAll(), QByteArray("old image")); // the old file was not touched
    QFile now(target);
    ASSERT_TRUE(now.open(QIODevice::ReadOnly));
    EXPECT_EQ(now.readAll(), image);
    EXPECT_EQ(ModeOf(target), 0600u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST_F(StartupTest, CopyMakesExecutableCopyAndReportsFailures) {
    const QString source = Path("source");
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
    }
    const QString target = Path("Tolvane");
    ASSERT_TRUE(CopyFileAtomically(
        source, target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner,
        &reason));
    EXPECT_EQ(ModeOf(target), 0700u);
    EXPECT_FALSE(CopyFileAtomically(Path("nothing"), target, QFileDevice::ReadOwner, &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(
        WriteFileAtomically(Path("no/such/dir/file"), "x", QFileDevice::ReadOwner, &reason));
}

class BindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous = SetMessageHandler([this](const MessageRequest& request) {
            shown.push_back(request.text);
            return MessageAnswer::Ok;
        });
    }
    void TearDown() override { SetMessageHandler(previous); }
    MessageHandler previous;
    std::vector<QString> shown;
};

TEST_F(BindingTest, MissingLibraryAbandonsWithMessage) {
    QTemporaryDir dir;
    NimbrelBinding binding(dir.filePath(QStringLiteral("libnimbrel.so")));
    EXPECT_FALSE(binding.Require({NimbrelFunction::Connect}));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], Text(kMsgLibraryLoadFailed));
    QuarnConnection connection = 7;
    EXPECT_EQ(binding.Connect(&connection), NimbrelBinding::kNotBound);
    EXPECT_EQ(connection, 7u);
    EXPECT_FALSE(binding.LastError().isEmpty());
}

TEST_F(BindingTest, RelativePathIsNeverSearched) {
    NimbrelBinding binding(QStringLiteral("libnimbrel.so"));
    EXPECT_EQ(binding.Resolve(NimbrelFunction::Connect), nullptr);
    EXPECT_FALSE(binding.Require({NimbrelFunction::Connect}, false));
    EXPECT_TRUE(shown.empty());
}

TEST_F(BindingTest, BindsPresentFunctionsAndNamesMissingOnes) {
    NimbrelBinding binding(QStringLiteral(FAKE_NIMBREL));
    QuarnConnection connection = 0;
    EXPECT_EQ(binding.Connect(&connection), QUARN_OK);
    EXPECT_EQ(connection, 42u);
    EXPECT_EQ(binding.DisConnect(connection), QUARN_OK);
    EXPECT_TRUE(binding.Require({NimbrelFunction::Connect, NimbrelFunction::DisConnect}));
    EXPECT_TRUE(shown.empty());

    EXPECT_EQ(binding.IsCardExist(), NimbrelBinding::kNotBound);
    EXPECT_FALSE(binding.Require({NimbrelFunction::Connect, NimbrelFunction::VerifySIMCHV}));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("Quarn_VerifySIMCHV"))) << shown[0].toStdString();
}

TEST(BindingNames, TwentyEightDistinctExports) {
    std::set<std::string> names;
    for (std::size_t i = 0; i < kNimbrelFunctionCount; ++i) {
        const std::string name = NimbrelFunctionName(static_cast<NimbrelFunction>(i));
        EXPECT_EQ(name.rfind("Quarn_", 0), 0u) << name;
        names.insert(name);
    }
    EXPECT_EQ(kNimbrelFunctionCount, 28u);
    EXPECT_EQ(names.size(), 28u);
    EXPECT_STREQ(NimbrelFunctionName(NimbrelFunction::Count), "");
}

} // namespace
