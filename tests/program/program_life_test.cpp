// The built program itself, started as a user would start it: copies of the executable in
// private program folders, with a private runtime folder and no system bus.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <vector>

#ifndef CHIMORA_PROGRAM
#error "CHIMORA_PROGRAM must name the built program"
#endif
#ifndef CHIMORA_PROGRAM_DB
#error "CHIMORA_PROGRAM_DB must name the database the build made"
#endif

namespace chimora::testing {
namespace {

class ProgramLifeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir(root.path()).mkpath("runtime"));
        ASSERT_TRUE(QDir(root.path()).mkpath("home"));
        ASSERT_TRUE(QFile::setPermissions(root.path() + "/runtime",
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    void TearDown() override {
        for (auto& process : processes) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

    // A program folder holding the program, music/ and the given database bytes.
    QString Folder(const QString& name, const QByteArray& database) {
        const QString folder = root.path() + "/" + name;
        EXPECT_TRUE(QDir().mkpath(folder + "/music"));
        EXPECT_TRUE(QFile::copy(CHIMORA_PROGRAM, folder + "/chimora"));
        QFile db(folder + "/db.dll");
        EXPECT_TRUE(db.open(QIODevice::WriteOnly));
        db.write(database);
        return folder;
    }
    static QByteArray GoodDatabase() {
        QFile db(CHIMORA_PROGRAM_DB);
        EXPECT_TRUE(db.open(QIODevice::ReadOnly));
        return db.readAll();
    }
    QProcess& Start(const QString& folder) {
        processes.push_back(std::make_unique<QProcess>());
        QProcess& process = *processes.back();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("SDL_AUDIODRIVER", "dummy");
        env.insert("XDG_RUNTIME_DIR", root.path() + "/runtime");
        env.insert("HOME", root.path() + "/home");
        env.insert("XDG_CONFIG_HOME", root.path() + "/home/.config");
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + root.path() + "/no-system-bus");
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        env.remove("DISPLAY");
        process.setProcessEnvironment(env);
        process.start(folder + "/chimora", {});
        EXPECT_TRUE(process.waitForStarted(5000));
        return process;
    }
    static QByteArray Log(const QString& folder) {
        QFile log(folder + "/chimora.log");
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }
    static bool WaitForLog(const QString& folder, const QByteArray& text, int timeoutMs = 15000) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            if (Log(folder).contains(text))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    QTemporaryDir root;
    std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(ProgramLifeTest, EveryTerminationSignalEndsTheProgramWhileTheStartUpErrorBoxIsOpen) {
    // "ChimDB" and then nothing that reads: the show steps end in the error box.
    const QByteArray corrupt = QByteArray("ChimDB") + QByteArray(200, '\x5A');
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        const QString folder = Folder(QString("school%1").arg(signalNumber), corrupt);
        QProcess& program = Start(folder);
        ASSERT_TRUE(WaitForLog(folder, "error shown:")) << Log(folder).toStdString();
        QThread::msleep(300);  // the box is open now
        ::kill(static_cast<pid_t>(program.processId()), signalNumber);
        ASSERT_TRUE(program.waitForFinished(10000)) << "signal " << signalNumber << " was lost";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        const QByteArray log = Log(folder);
        EXPECT_TRUE(log.contains("end requested by signal " + QByteArray::number(signalNumber)));
        EXPECT_TRUE(log.contains("program exited"));
        EXPECT_TRUE(log.contains("warning started: 数据库无法读取："));
        // Nothing was written to the file that failed to read.
        QFile db(folder + "/db.dll");
        ASSERT_TRUE(db.open(QIODevice::ReadOnly));
        EXPECT_EQ(db.readAll(), corrupt);
    }
}

TEST_F(ProgramLifeTest, SecondStartForTheSameFolderShowsTheFirstCopyAndEnds) {
    const QString folder = Folder("school", GoodDatabase());
    QProcess& first = Start(folder);
    ASSERT_TRUE(WaitForLog(folder, "program started"));
    QThread::msleep(500);

    QProcess& second = Start(folder);
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardError().contains("Chimora runs already"));
    EXPECT_TRUE(WaitForLog(folder, "a later start handed over: window shown"));
    EXPECT_EQ(Log(folder).count("program started"), 1);
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitCode(), 0);
}

}  // namespace
}  // namespace chimora::testing
