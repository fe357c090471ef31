#include "default_image.h"
#include "safe_file.h"
#include "table_file.h"

#include "../support/file_size_limit.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <future>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qrt58;

namespace {

QByteArray read_all(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void write_all(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray signed_bytes(int size) {
    QByteArray b(size, '\x5A');
    b.replace(0x7E0, 12, "QRT58 V09.99");
    return b.left(size);
}

PagerTable marked_image() {
    PagerTable t;
    t.fill(0, kLastAddress, 0x11);
    t.put_text(0x7E0, "QRT58 V05.02");
    return t;
}

} // namespace

TEST(TableFile, SaveThenLoadRoundTripsByteForByte) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.tbl");
    PagerTable original = build_default_image();
    for (int a = 0; a < kImageSize; a += 7) original[a] = static_cast<std::uint8_t>(a * 13);
    original.put_text(0x7E0, ver_str);
    ASSERT_TRUE(save_table_file(path, original).ok);
    EXPECT_EQ(read_all(path).size(), kImageSize);

    PagerTable loaded;
    EXPECT_EQ(load_table_file(path, loaded).status, LoadStatus::Ok);
    EXPECT_EQ(loaded, original);
}

TEST(TableFile, ShortLongAndBoundaryFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath("f.tbl");

    // Exactly 0x7E6 bytes with the signature: loads, the rest reads as 0.
    write_all(path, signed_bytes(0x7E6));
    PagerTable t = marked_image();
    EXPECT_EQ(load_table_file(path, t).status, LoadStatus::Ok);
    EXPECT_EQ(t[0x000], 0x5A);
    EXPECT_EQ(t[0x7E5], ' ');
    for (int a = 0x7E6; a < kImageSize; ++a) EXPECT_EQ(t[a], 0) << a;

    // Longer than 2048 bytes: the first 2048 bytes count, version digits differ.
    QByteArray longer = signed_bytes(kImageSize);
    longer.append(QByteArray(500, '\x77'));
    write_all(path, longer);
    EXPECT_EQ(load_table_file(path, t).status, LoadStatus::Ok);
    EXPECT_EQ(t[kLastAddress], 0x5A);

    // One byte short of the signature, empty and wrong-signature files: image unchanged.
    const PagerTable before = marked_image();
    for (const QByteArray& bad : {signed_bytes(0x7E5), QByteArray(), [] {
                                      QByteArray b = signed_bytes(kImageSize);
                                      b[0x7E5] = '_';
                                      return b;
                                  }()}) {
        write_all(path, bad);
        PagerTable image = before;
        EXPECT_EQ(load_table_file(path, image).status, LoadStatus::WrongSignature) << bad.size();
        EXPECT_EQ(image, before);
    }
}

TEST(TableFile, MissingFileIsReportedAsUnreadable) {
    QTemporaryDir dir;
    PagerTable image = marked_image();
    const auto r = load_table_file(dir.filePath("none.tbl"), image);
    EXPECT_EQ(r.status, LoadStatus::Unreadable);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(image, marked_image());
}

TEST(TableFile, OnlyRegularFilesAreRead) {
    // A device or a folder with a table name is refused, with its path in the reason.
    QTemporaryDir dir;
    for (const QString& path : {QStringLiteral("/dev/zero"), QStringLiteral("/dev/null"), dir.path()}) {
        PagerTable image = marked_image();
        const auto r = load_table_file(path, image);
        EXPECT_EQ(r.status, LoadStatus::Unreadable) << path.toStdString();
        EXPECT_TRUE(r.error.contains(path)) << r.error.toStdString();
        EXPECT_EQ(image, marked_image());
    }

    // So is a pipe, which a loader would otherwise wait on for ever. The test
    // holds the pipe open with a signed image in it; if the loader does wait,
    // closing it lets the loader finish and the test fail instead of hanging.
    const QString fifo = dir.filePath("pipe.tbl");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    const QByteArray bytes = signed_bytes(kImageSize);
    ASSERT_EQ(::write(writer, bytes.constData(), static_cast<size_t>(bytes.size())), bytes.size());
    auto loading = std::async(std::launch::async, [&fifo] {
        PagerTable image = marked_image();
        return load_table_file(fifo, image).status;
    });
    const bool returned = loading.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    ::close(writer);
    EXPECT_TRUE(returned) << "the loader waited on the pipe";
    EXPECT_EQ(loading.get(), LoadStatus::Unreadable);
}

TEST(TableFile, SaveOverALongerFileLeavesExactly2048Bytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("long.tbl");
    write_all(path, QByteArray(5000, '\x01'));
    ASSERT_TRUE(save_table_file(path, marked_image()).ok);
    const QByteArray now = read_all(path);
    ASSERT_EQ(now.size(), kImageSize);
    EXPECT_EQ(static_cast<std::uint8_t>(now[0]), 0x11);
}

// Runs `body` as an ordinary user: in a child process that drops root (whom
// folder and file permissions do not stop), or directly when not root. The
// child's exit status is the test's verdict: 0 when body() returned true.
bool as_ordinary_user(const std::function<bool()>& body, const QString& owned_path) {
    if (geteuid() != 0) return body();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chown(QFile::encodeName(owned_path).constData(), 65534, 65534) != 0) ::_exit(3);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(TableFile, ReadOnlyFolderWritesAWritableFileInPlaceAndKeepsAReadOnlyOne) {
    {
        QTemporaryDir dir;
        const auto r = save_table_file(dir.filePath("no/such/folder/x.tbl"), marked_image());
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.isEmpty());
    }
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther);
    const QString writable = dir.filePath("writable.tbl");
    const QString locked = dir.filePath("locked.tbl");
    const QByteArray old = signed_bytes(kImageSize);
    write_all(writable, old);
    write_all(locked, old);
    QFile::setPermissions(writable, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther |
                                        QFileDevice::WriteOther);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadOther);
    // The folder takes no temporary file from anybody but its owner.
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther);
    const bool in_place = as_ordinary_user(
        [&] {
            const SaveResult r = save_table_file(writable, marked_image());
            return r.ok && read_all(writable).at(0) == '\x11';
        },
        writable);
    EXPECT_TRUE(in_place);
    const bool refused = as_ordinary_user(
        [&] {
            const SaveResult r = save_table_file(locked, marked_image());
            return !r.ok && r.error.contains(locked) && read_all(locked) == old;
        },
        locked);
    EXPECT_TRUE(refused);
}

TEST(TableFile, SaveNeverReplacesADeviceAPipeOrAFolder) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.tbl");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = dir.filePath("folder.tbl");
    ASSERT_TRUE(QDir().mkdir(folder));
    for (const QString& path : {fifo, folder, QStringLiteral("/dev/null")}) {
        SCOPED_TRACE(path.toStdString());
        const SaveResult r = save_table_file(path, marked_image());
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.error.contains(path));
    }
    QFileInfo pipe(fifo), null(QStringLiteral("/dev/null"));
    EXPECT_FALSE(pipe.isFile());
    EXPECT_FALSE(null.isFile());
    EXPECT_TRUE(QFileInfo(folder).isDir());

    // A symbolic link to a table file is followed: the file behind it changes.
    const QString target = dir.filePath("real.tbl");
    write_all(target, signed_bytes(kImageSize));
    const QString link = dir.filePath("link.tbl");
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(save_table_file(link, marked_image()).ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(read_all(target).at(0), '\x11');
}

TEST(TableFile, SaveThatFailsWhileWritingKeepsTheOldFile) {
    // A file-size limit of 1 KiB makes the write fail half-way (as a full disk
    // does), also for root, whom folder permissions do not stop.
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.tbl");
    const QByteArray old = signed_bytes(kImageSize);
    write_all(path, old);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1024;
    void (*previous)(int) = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveResult r = save_table_file(path, marked_image());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previous);

    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(path)) << r.error.toStdString();
    EXPECT_EQ(read_all(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.tbl")});
}

TEST(TableFile, AnInPlaceSaveThatFailsPartWayPutsTheOldContentBack) {
    // The folder takes no temporary file, the file itself may be written, and
    // the disk fills up after 1 KiB: the file must still be the old table.
    QTemporaryDir dir;
    const QString path = dir.filePath("inplace.tbl");
    const QByteArray old = signed_bytes(kImageSize);
    write_all(path, old);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther |
                                    QFileDevice::WriteOther);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther);
    const bool kept = as_ordinary_user(
        [&] {
            ::signal(SIGXFSZ, SIG_IGN);
            rlimit small{1024, RLIM_INFINITY};
            ::setrlimit(RLIMIT_FSIZE, &small);
            const SaveResult r = save_table_file(path, marked_image());
            return !r.ok && r.error.contains(path) && r.error.contains("File too large") && read_all(path) == old;
        },
        path);
    EXPECT_TRUE(kept);
}

TEST(SafeFile, ARewriteInPlaceLeavesTheOldOrTheNewContentNeverAMix) {
    // Old and new lengths on both sides of the point where the writes start
    // failing (a file-size limit, as a full disk).
    struct Case {
        int old_size, new_size, limit;
        bool ok;
    };
    const Case cases[] = {{2048, 2048, 1024, false}, {100, 2048, 1024, false}, {3000, 2048, 1024, false},
                          {2048, 2048, 0, false},    {2048, 100, 4096, true},  {100, 2048, 4096, true},
                          {2048, 2048, 2048, true}};
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.old_size << " -> " << c.new_size << " limit " << c.limit);
        const QString path = dir.filePath("f.bin");
        const QByteArray old(c.old_size, 'o'), fresh(c.new_size, 'n');
        write_all(path, old);
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
        ASSERT_GE(fd, 0);
        struct stat before {};
        ::fstat(fd, &before);
        const FileResult r = qrt58::test::with_file_size_limit(static_cast<rlim_t>(c.limit),
                                                               [&] { return rewrite_open_file(fd, path, fresh); });
        ::close(fd);
        EXPECT_EQ(r.ok, c.ok) << r.error.toStdString();
        EXPECT_EQ(read_all(path), c.ok ? fresh : old);
        if (!r.ok) {
            EXPECT_TRUE(r.error.contains(path) && r.reason.contains("File too large")) << r.error.toStdString();
        }
        struct stat after {};
        ::stat(QFile::encodeName(path).constData(), &after);
        EXPECT_EQ(after.st_ino, before.st_ino); // the same file, not a new one
    }
}

TEST(SafeFile, SameFileSeesThroughLinksAndNamesNotYetMade) {
    QTemporaryDir dir;
    const QString real = dir.filePath("real.tbl");
    write_all(real, "x");
    ASSERT_TRUE(QFile::link(real, dir.filePath("sym.tbl")));
    ASSERT_EQ(::link(QFile::encodeName(real).constData(), QFile::encodeName(dir.filePath("hard.tbl")).constData()), 0);
    ASSERT_TRUE(QDir().mkdir(dir.filePath("sub")));
    ASSERT_TRUE(QFile::link(dir.filePath("sub"), dir.filePath("sublink")));
    ASSERT_TRUE(QFile::link(dir.filePath("sub/new.tbl"), dir.filePath("dangling.tbl")));
    struct Case {
        const char *a, *b;
        bool same;
    };
    const Case cases[] = {{"real.tbl", "sym.tbl", true},
                          {"real.tbl", "hard.tbl", true},
                          {"sym.tbl", "hard.tbl", true},
                          {"real.tbl", "sub/../real.tbl", true},
                          {"sub/new.tbl", "sublink/new.tbl", true},
                          {"dangling.tbl", "sub/new.tbl", true},
                          {"real.tbl", "sub/new.tbl", false},
                          {"a.tbl", "b.tbl", false},
                          {"real.tbl", "real.tbl.lock", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(same_file(dir.filePath(c.a), dir.filePath(c.b)), c.same);
        EXPECT_EQ(same_file(dir.filePath(c.b), dir.filePath(c.a)), c.same);
    }
}
