#include "cli.h"
#include "safe_file.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <streambuf>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Standard output through write(2), keeping the first error: output that
// never arrived (a full disk, a closed pipe) fails the command, with the
// system's reason.
class CheckedOutput : public std::streambuf {
public:
    int error = 0;
    bool line_buffered = false; // a terminal sees each line at once
    ~CheckedOutput() override { sync(); }

protected:
    int overflow(int c) override {
        if (c == traits_type::eof()) return sync() == 0 ? 0 : traits_type::eof();
        buffer_.push_back(static_cast<char>(c));
        if (due(c == '\n') && sync() != 0) return traits_type::eof();
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        buffer_.append(s, static_cast<std::size_t>(n));
        if (due(std::memchr(s, '\n', static_cast<std::size_t>(n)) != nullptr) && sync() != 0) return 0;
        return n;
    }
    int sync() override {
        std::size_t done = 0;
        while (error == 0 && done < buffer_.size()) {
            const ssize_t n = ::write(1, buffer_.data() + done, buffer_.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) error = n < 0 ? errno : EIO;
            else done += static_cast<std::size_t>(n);
        }
        buffer_.clear();
        return error == 0 ? 0 : -1;
    }

private:
    bool due(bool new_line) const { return buffer_.size() >= kFlushAt || (line_buffered && new_line); }
    static constexpr std::size_t kFlushAt = 1 << 16;
    std::string buffer_;
};

} // namespace

int main(int argc, char** argv) {
    qrt58::ignore_file_size_signal();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QRT58"));
    // Same as the window, so both share settings and the simulated EEPROM file.
    QCoreApplication::setOrganizationName(QStringLiteral("Norvale"));
    std::vector<std::string> args(argv + 1, argv + argc);
    CheckedOutput output;
    output.line_buffered = ::isatty(1) == 1;
    std::ostream out(&output);
    qrt58::cli::Streams streams{std::cin, out, std::cerr, ::isatty(2) == 1, ::isatty(0) == 1, ::isatty(1) == 1};
    streams.err_columns = [] {
        winsize size{};
        return ::ioctl(2, TIOCGWINSZ, &size) == 0 ? static_cast<int>(size.ws_col) : 0;
    };
    int status = qrt58::cli::run(args, streams);
    out.flush();
    // A command that failed has said why already (its listing or image could not be written).
    if (output.error != 0 && status == 0) {
        std::cerr << "qrt58cli: cannot write to standard output: " << std::strerror(output.error) << '\n';
        status = 1;
    }
    return status;
}
