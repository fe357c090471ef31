// The simulated receiver's memory file: only a regular file of 2048 bytes is
// used, every save is checked, and one program at a time holds it.
#include "default_image.h"
#include "sim_board.h"

#include <QDir>
#include <QFile>
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

TEST(SimFile, AFailedSaveIsReportedAndKeepsTheOldMemory) {
    QTemporaryDir dir;
    const QString path = dir.filePath("eeprom.bin");
    VirtualClock clock;
    SimBoard sim(clock, path);
    ASSERT_TRUE(sim.initialize().ok);
    const QByteArray before = read_all(path);
    ASSERT_EQ(before.size(), 2048);

    sim.eeprom().memory[0x40] ^= 0xFF;
    sim.eeprom().dirty = true;
    const bool saved = qrt58::test::with_file_size_limit(1024, [&] { return sim.flush(); });
    EXPECT_FALSE(saved);
    EXPECT_TRUE(sim.save_error().contains(path)) << sim.save_error().toStdString();
    EXPECT_EQ(read_all(path), before); // not an empty or a short file
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("eeprom.bin"), QStringLiteral("eeprom.bin.lock")}));

    // Still pending: the next save writes it.
    EXPECT_TRUE(sim.flush());
    EXPECT_EQ(static_cast<std::uint8_t>(read_all(path).at(0x40)), sim.eeprom().memory[0x40]);
    sim.shutdown();
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
    ASSERT_TRUE(QFile::exists(path + ".lock"));
    SimBoard after(clock, path);
    EXPECT_TRUE(after.initialize().ok);
}
