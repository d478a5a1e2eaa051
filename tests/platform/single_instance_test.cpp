#include <gtest/gtest.h>
#include <signal.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#ifndef CHIMORA_SINGLE_INSTANCE_PROBE
#error "CHIMORA_SINGLE_INSTANCE_PROBE must name the probe program"
#endif

namespace chimora::platform {
namespace {

// Copies of the probe program, each a real process holding or handing over a folder.
class SingleInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(runtime.isValid());
        ASSERT_TRUE(folders.isValid());
        ASSERT_TRUE(QDir(folders.path()).mkpath("school"));
        ASSERT_TRUE(QDir(folders.path()).mkpath("other"));
    }
    void TearDown() override {
        for (auto& process : processes) {
            process->kill();
            process->waitForFinished(3000);
        }
    }

    QString Folder(const char* name) const { return folders.path() + "/" + name + "/"; }

    QProcess& Start(const QString& folder) {
        processes.push_back(std::make_unique<QProcess>());
        QProcess& process = *processes.back();
        process.start(CHIMORA_SINGLE_INSTANCE_PROBE, {folder, runtime.path()});
        EXPECT_TRUE(process.waitForStarted(5000));
        return process;
    }
    // Waits until the process has printed line; false after a few seconds.
    static bool WaitForLine(QProcess& process, const QByteArray& line, QByteArray* seen) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 8000) {
            *seen += process.readAllStandardOutput();
            if (seen->split('\n').contains(line))
                return true;
            process.waitForReadyRead(100);
        }
        return false;
    }
    QProcess& StartFirst(const QString& folder) {
        QProcess& process = Start(folder);
        QByteArray seen;
        EXPECT_TRUE(WaitForLine(process, "first", &seen)) << seen.toStdString();
        return process;
    }
    // A later start for folder: its output once it has ended.
    QByteArray RunLater(const QString& folder, int* exitCode) {
        QProcess& process = Start(folder);
        EXPECT_TRUE(process.waitForFinished(10000));
        *exitCode = process.exitCode();
        return process.readAllStandardOutput();
    }

    QTemporaryDir runtime;
    QTemporaryDir folders;
    std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(SingleInstanceTest, LaterStartHandsOverToTheRunningCopyWhichIsAskedToShow) {
    QProcess& first = StartFirst(Folder("school"));
    for (int start = 0; start < 2; ++start) {
        int exitCode = -1;
        EXPECT_EQ(RunLater(Folder("school"), &exitCode), "handed over\n");
        EXPECT_EQ(exitCode, 0);
    }
    QByteArray seen;
    ASSERT_TRUE(WaitForLine(first, "show requested", &seen));
    // Each later start asked once.
    QElapsedTimer timer;
    timer.start();
    while (seen.count("show requested") < 2 && timer.elapsed() < 5000) {
        first.waitForReadyRead(100);
        seen += first.readAllStandardOutput();
    }
    EXPECT_EQ(seen.count("show requested"), 2);
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(SingleInstanceTest, SameFolderByAnotherPathIsTheSameFolderAndOtherFoldersRunAlongside) {
    StartFirst(Folder("school"));
    ASSERT_TRUE(QFile::link(folders.path() + "/school", folders.path() + "/link"));
    int exitCode = -1;
    EXPECT_EQ(RunLater(folders.path() + "/link", &exitCode), "handed over\n");
    EXPECT_EQ(RunLater(folders.path() + "/school//", &exitCode), "handed over\n");

    // Another program folder is another school's bell.
    StartFirst(Folder("other"));
}

TEST_F(SingleInstanceTest, LockOfACrashedCopyNeverBlocksAStart) {
    QProcess& crashed = StartFirst(Folder("school"));
    ::kill(static_cast<pid_t>(crashed.processId()), SIGKILL);
    ASSERT_TRUE(crashed.waitForFinished(5000));
    // Its lock file and socket are left behind.
    EXPECT_FALSE(QDir(runtime.path()).entryList(QDir::Files | QDir::System).isEmpty());

    QProcess& next = StartFirst(Folder("school"));
    int exitCode = -1;
    EXPECT_EQ(RunLater(Folder("school"), &exitCode), "handed over\n");
    QByteArray seen;
    EXPECT_TRUE(WaitForLine(next, "show requested", &seen));
}

}  // namespace
}  // namespace chimora::platform
