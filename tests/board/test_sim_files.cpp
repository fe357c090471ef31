// The simulated receiver's memory file: only a regular file of 2048 bytes is
// used, every save is checked, and one program at a time holds it.
#include "default_image.h"
#include "sim_board.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "../support/file_size_limit.h"

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qrt58;

namespace {

QByteArray read_all(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(SimFile, OnlyARegularFileOfTheRightSizeIsUsedAndNothingBlocks) {
    QTemporaryDir dir;
    VirtualClock clock;
    const QString fifo = dir.filePath("pipe.bin");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A writer keeps the pipe open with 2048 bytes in it: a board that did
    // read it would come back instead of hanging, and the test fail.
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    const QByteArray full(2048, '\x33');
    ASSERT_EQ(::write(writer, full.constData(), 2048), 2048);
    for (const QString& path : {fifo, QStringLiteral("/dev/zero"), dir.path()}) {
        SCOPED_TRACE(path.toStdString());
        auto starting = std::async(std::launch::async, [&clock, path] {
            SimBoard sim(clock, path);
            return sim.initialize();
        });
        ASSERT_EQ(starting.wait_for(std::chrono::seconds(10)), std::future_status::ready)
            << "the board waited on or kept reading its file";
        const DriverStatus st = starting.get();
        EXPECT_FALSE(st.ok);
        EXPECT_TRUE(st.error.contains(path)) << st.error.toStdString();
    }
    ::close(writer);

    QFile longer(dir.filePath("long.bin"));
    ASSERT_TRUE(longer.open(QIODevice::WriteOnly));
    longer.write(QByteArray(4096, '\x01'));
    longer.close();
    SimBoard sim(clock, longer.fileName());
    const DriverStatus st = sim.initialize();
    EXPECT_FALSE(st.ok);
    EXPECT_TRUE(st.error.contains("2048"));
}

TEST(SimFile, AFailedSaveIsReportedAndNothingSavesItLater) {
    QTemporaryDir dir;
    const QString path = dir.filePath("eeprom.bin");
    VirtualClock clock;
    const QByteArray before = [&] {
        SimBoard sim(clock, path);
        EXPECT_TRUE(sim.initialize().ok);
        sim.shutdown();
        return read_all(path);
    }();
    ASSERT_EQ(before.size(), 2048);
    {
        SimBoard sim(clock, path);
        ASSERT_TRUE(sim.initialize().ok);
        sim.eeprom().memory[0x40] ^= 0xFF;
        sim.eeprom().dirty = true;
        QString why;
        const bool kept = qrt58::test::with_file_size_limit(1024, [&] { return sim.keep_memory(&why); });
        EXPECT_FALSE(kept);
        EXPECT_TRUE(why.contains(path) && why.contains("File too large")) << why.toStdString();
        EXPECT_EQ(why, sim.save_error());
        EXPECT_EQ(read_all(path), before); // not an empty, short or mixed file
        // The simulated receiver lost the write: its memory is the file's again.
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(sim.eeprom().memory.data()), 2048), before);
        EXPECT_TRUE(sim.flush());
        sim.shutdown();
        // ... and the destructor after the lock is gone saves nothing either.
    }
    EXPECT_EQ(read_all(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("eeprom.bin")});

    // A board that stopped saves nothing more.
    SimBoard sim(clock, path);
    ASSERT_TRUE(sim.initialize().ok);
    sim.shutdown();
    sim.eeprom().memory[0x41] ^= 0xFF;
    sim.eeprom().dirty = true;
    EXPECT_TRUE(sim.flush());
    EXPECT_EQ(read_all(path), before);
}

TEST(SimFile, TheLockHoldsUnderEveryNameOfTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("g.bin");
    VirtualClock clock;
    SimBoard first(clock, path);
    ASSERT_TRUE(first.initialize().ok);
    const QString sym = dir.filePath("g2.bin"), hard = dir.filePath("g3.bin");
    ASSERT_TRUE(QFile::link(path, sym));
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(hard).constData()), 0);
    ASSERT_TRUE(QDir().mkdir(dir.filePath("sub")));
    const QString via_folder = dir.filePath("sub/../g.bin");
    for (const QString& name : {path, sym, hard, via_folder}) {
        SCOPED_TRACE(name.toStdString());
        SimBoard second(clock, name);
        const DriverStatus st = second.initialize();
        EXPECT_FALSE(st.ok);
        EXPECT_TRUE(st.error.contains(name) && st.error.contains("in use by another program"))
            << st.error.toStdString();
        EXPECT_TRUE(st.error.contains(QStringLiteral("(process %1)").arg(::getpid()))) << st.error.toStdString();
    }
    // Saves keep the file what it is: the links still name the same memory.
    first.eeprom().memory[0x10] = 0x5A;
    first.eeprom().dirty = true;
    ASSERT_TRUE(first.flush());
    EXPECT_EQ(read_all(sym).at(0x10), '\x5A');
    EXPECT_EQ(read_all(hard).at(0x10), '\x5A');
    first.shutdown();
    SimBoard after(clock, hard);
    EXPECT_TRUE(after.initialize().ok);
}

TEST(SimFile, LeftoverOrDamagedLockFilesBlockNothing) {
    // Lock files of earlier versions beside the memory file: empty, garbage,
    // unreadable, or naming a process that is gone.
    QTemporaryDir dir;
    const QString path = dir.filePath("eeprom.bin");
    VirtualClock clock;
    const std::pair<QByteArray, QFileDevice::Permissions> leftovers[] = {
        {QByteArray(), QFileDevice::ReadOwner | QFileDevice::WriteOwner},
        {QByteArray("\xff\x00garbage\n"), QFileDevice::ReadOwner | QFileDevice::WriteOwner},
        {QByteArray("12345\nqrt58cli\nhost\n"), QFileDevice::Permissions()},
        {QByteArray("999999999\nqrt58cli\n") + QSysInfo::machineHostName().toUtf8() + '\n', QFileDevice::ReadOwner}};
    for (const auto& [content, permissions] : leftovers) {
        QFile lock(path + ".lock");
        lock.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        lock.write(content);
        lock.close();
        lock.setPermissions(permissions);
        SimBoard sim(clock, path);
        const DriverStatus st = sim.initialize();
        EXPECT_TRUE(st.ok) << st.error.toStdString();
    }
}

TEST(SimFile, OneProgramAtATimeUsesTheMemoryFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("eeprom.bin");
    VirtualClock clock;
    {
        SimBoard first(clock, path);
        ASSERT_TRUE(first.initialize().ok);
        // A second board in another process (the window and a command-line run).
        const pid_t child = ::fork();
        if (child == 0) {
            SimBoard second(clock, path);
            const DriverStatus st = second.initialize();
            ::_exit(!st.ok && st.error.contains(QStringLiteral("in use by another program")) ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the second program was not refused";
        first.shutdown();
    }
    // Once the first has stopped the file is free again, for this process too.
    SimBoard again(clock, path);
    EXPECT_TRUE(again.initialize().ok);
    again.shutdown();

    // A lock left behind by a program that died does not block the file.
    const pid_t child = ::fork();
    if (child == 0) {
        SimBoard dying(clock, path);
        dying.initialize();
        ::_exit(0); // no shut-down: the lock file stays behind
    }
    ::waitpid(child, nullptr, 0);
    SimBoard after(clock, path);
    EXPECT_TRUE(after.initialize().ok);
}
