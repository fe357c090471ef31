// The built programs as a shell runs them: exit statuses, help and version,
// and the progress bar on a pseudo-terminal but not on a pipe.
#include "board_kinds.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Child {
    int status = -1;
    std::string out, err;
};

// Runs `program` with `args`; standard error goes to a pseudo-terminal when
// `err_on_terminal`, else to a pipe, or with `err_to_out` into standard output
// (both in the order written); standard input is /dev/null.
Child spawn(const char* program, const std::vector<std::string>& args, bool err_on_terminal,
            const char* out_file = nullptr, bool err_to_out = false) {
    Child result;
    int out_pipe[2];
    if (::pipe(out_pipe) != 0) return result;
    int err_read = -1, err_write = -1;
    if (err_on_terminal) {
        if (::openpty(&err_read, &err_write, nullptr, nullptr, nullptr) != 0) return result;
    } else {
        int p[2];
        if (::pipe(p) != 0) return result;
        err_read = p[0];
        err_write = p[1];
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, 0);
        ::dup2(out_file ? ::open(out_file, O_WRONLY) : out_pipe[1], 1);
        ::dup2(err_to_out ? 1 : err_write, 2);
        ::close(out_pipe[0]);
        ::close(err_read);
        std::vector<char*> argv{const_cast<char*>(program)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program, argv.data());
        ::_exit(127);
    }
    ::close(out_pipe[1]);
    ::close(err_write);
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_read, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0 && ::poll(fds, 2, 10000) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[4096];
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<std::size_t>(n));
            } else {
                // End of file; a pseudo-terminal whose other side is closed reports EIO.
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

struct Binary : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ::setenv("QRT58_SETTINGS", dir.filePath("settings.ini").toLocal8Bit().constData(), 1);
    }
    void TearDown() override { ::unsetenv("QRT58_SETTINGS"); }
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(Binary, ExitStatusesHelpAndVersion) {
    Child c = spawn(QRT58CLI, {"write", "--help"}, false);
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.out.rfind("Usage: qrt58cli write ", 0), 0u) << c.out;
    c = spawn(QRT58CLI, {"--version"}, false);
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.out, "qrt58cli QRT58 V05.02\n");
    c = spawn(QRT58CLI, {"show", "--frobnicate"}, false);
    EXPECT_EQ(c.status, 2);
    EXPECT_EQ(c.err, "qrt58cli: show: Unknown option 'frobnicate'.\n");
    c = spawn(QRT58CLI, {"show", path("missing.tbl")}, false);
    EXPECT_EQ(c.status, 1);
    c = spawn(QRT58CLI, {"new", path("new.tbl")}, false);
    EXPECT_EQ(c.status, 0);

    // The window's program answers --help and --version without a display.
    ::unsetenv("DISPLAY");
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    c = spawn(QRT58PROG, {"--help"}, false);
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.out.rfind("Usage: qrt58prog [OPTIONS] [FILE]", 0), 0u) << c.out << c.err;
    EXPECT_NE(c.out.find("--line-delay"), std::string::npos);
    for (const char* flag : {"--version", "-V"}) {
        c = spawn(QRT58PROG, {flag}, false);
        EXPECT_EQ(c.status, 0);
        EXPECT_EQ(c.out, "qrt58prog QRT58 V05.02\n");
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit().constData(), 1); // keeps Qt quiet
    c = spawn(QRT58PROG, {"-v"}, false);                                  // never the version
    EXPECT_EQ(c.status, 2);
    EXPECT_EQ(c.out, "");
    c = spawn(QRT58PROG, {"--line-delay", "5"}, false);
    EXPECT_EQ(c.status, 2);
    EXPECT_EQ(c.err.find('\n'), c.err.size() - 1) << c.err;
    EXPECT_EQ(c.err.rfind("qrt58prog: --line-delay", 0), 0u) << c.err;
    // One table file to open at most.
    c = spawn(QRT58PROG, {"a.tbl", "b.tbl"}, false);
    EXPECT_EQ(c.status, 2);
}

// Every kind of board is in every text that lists the boards: both programs'
// help, each board command's help, `boards` and the manual pages (made from
// the help when help2man is installed).
TEST_F(Binary, EveryKindOfBoardIsInEveryHelpText) {
    std::vector<std::pair<std::string, std::string>> texts;
    for (const char* command : {"read", "write", "verify", "job", "board", "boards"})
        texts.emplace_back(std::string("qrt58cli ") + command + " --help",
                           spawn(QRT58CLI, {command, "--help"}, false).out);
    texts.emplace_back("qrt58cli boards", spawn(QRT58CLI, {"boards"}, false).out);
    ::unsetenv("DISPLAY");
    texts.emplace_back("qrt58prog --help", spawn(QRT58PROG, {"--help"}, false).out);
    for (const char* page : {"qrt58cli.1", "qrt58prog.1"}) {
        QFile man(QStringLiteral(QRT58_MAN_DIR "/") + QString::fromLatin1(page));
        if (!man.open(QIODevice::ReadOnly)) continue; // no help2man
        texts.emplace_back(page, man.readAll().replace("\\-", "-").toStdString());
    }
    for (const auto& [name, text] : texts) {
        SCOPED_TRACE(name);
        EXPECT_EQ(text.find("Remembered for the next run"), std::string::npos);
        for (const qrt58::BoardKind& kind : qrt58::board_kinds()) {
            EXPECT_NE(text.find(kind.syntax.toStdString()), std::string::npos) << kind.syntax.toStdString() << '\n'
                                                                               << text;
        }
    }
}

TEST_F(Binary, OutputThatCannotBeWrittenFailsTheCommand) {
    ASSERT_EQ(spawn(QRT58CLI, {"new", path("a.tbl")}, false).status, 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--version"}, {"show", path("a.tbl")}, {"show", path("a.tbl"), "--json"}}) {
        const Child c = spawn(QRT58CLI, args, false, "/dev/full");
        EXPECT_EQ(c.status, 1) << args[0];
        EXPECT_NE(c.err.find("No space left on device"), std::string::npos) << c.err;
    }
}

TEST_F(Binary, ProgressBarOnAPseudoTerminalNotOnAPipe) {
    const std::string board = "sim:" + path("eeprom.bin");
    Child c = spawn(QRT58CLI, {"read", path("a.tbl"), "--board", board, "--line-delay", "10"}, true);
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_NE(c.err.find("\rReading   ["), std::string::npos) << c.err;
    EXPECT_NE(c.err.find("] 100%"), std::string::npos);
    EXPECT_EQ(c.out, "Read success! (simulated receiver " + path("eeprom.bin") + ")\n");

    c = spawn(QRT58CLI, {"read", path("b.tbl"), "--board", board, "--line-delay", "10"}, false);
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(c.err, "");
    EXPECT_EQ(c.out, "Read success! (simulated receiver " + path("eeprom.bin") + ")\n");
}

// The window paints itself before Qt loads any image-format or icon-engine
// plugin (Qt's own PNG pictures come from its built-in reader), and the
// plugins serve again right after that paint: the window icon, an SVG, is
// drawn by the SVG icon engine then.
TEST_F(Binary, TheWindowPaintsBeforeAnyImageOrIconPluginIsLoaded) {
    const QByteArray data = dir.filePath("data").toLocal8Bit();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit().constData(), 1);
    ::setenv("XDG_DATA_HOME", data.constData(), 1);
    ::setenv("QRT58_STARTUP_PROBE", "1", 1); // prints the times of mapping and first paint, and ends
    ::setenv("QT_DEBUG_PLUGINS", "1", 1);
    const Child c = spawn(QRT58PROG, {}, false, nullptr, true);
    for (const char* name : {"QT_DEBUG_PLUGINS", "QRT58_STARTUP_PROBE", "XDG_DATA_HOME"}) ::unsetenv(name);
    ASSERT_EQ(c.status, 0) << c.out;
    std::vector<std::string> before, after;
    bool painted = false;
    std::size_t from = 0;
    while (from < c.out.size()) {
        std::size_t end = c.out.find('\n', from);
        if (end == std::string::npos) end = c.out.size();
        const std::string line = c.out.substr(from, end - from);
        from = end + 1;
        // The probe's line: when the window was mapped and when it had painted.
        if (!painted && !line.empty() && line.find_first_not_of("0123456789 ") == std::string::npos) {
            painted = true;
        } else if (line.find("loaded library") != std::string::npos && line.find("unloaded") == std::string::npos) {
            (painted ? after : before).push_back(line);
        }
    }
    ASSERT_TRUE(painted) << c.out;
    const auto any = [](const std::vector<std::string>& lines, const char* folder) {
        for (const std::string& line : lines)
            if (line.find(folder) != std::string::npos) return true;
        return false;
    };
    EXPECT_TRUE(any(before, "/platforms/")) << c.out; // the plugin messages are there at all
    EXPECT_FALSE(any(before, "/imageformats/")) << c.out;
    EXPECT_FALSE(any(before, "/iconengines/")) << c.out;
    EXPECT_TRUE(any(after, "/iconengines/")) << c.out;
}
