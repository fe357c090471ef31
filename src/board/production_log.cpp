#include "production_log.h"

#include "safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qrt58 {

const char* production_result_text(ProductionResult result) {
    switch (result) {
    case ProductionResult::Ok: return "ok";
    case ProductionResult::WriteError: return "write error";
    case ProductionResult::VerifyError: return "verify error";
    case ProductionResult::Limit: return "limit";
    }
    return "";
}

ProductionResult cycle_result(bool written, bool verified) {
    if (!written) return ProductionResult::WriteError;
    return verified ? ProductionResult::Ok : ProductionResult::VerifyError;
}

QString production_log_line(const QDateTime& when, const QString& capcode, ProductionResult result) {
    return when.toUTC().toString(Qt::ISODate) + ',' + capcode + ',' + QLatin1String(production_result_text(result));
}

QString capcode_not_recorded(const QString& programmed, const QString& next, const QString& file,
                             const QString& error) {
    return QStringLiteral("the receiver was programmed with capcode 1 %1, but the next capcode %2 could not "
                          "be recorded (%3); %4 still holds %1: set capcode 1 to %2 there before the next "
                          "receiver, or it gets %1 as well")
        .arg(programmed, next, error, file);
}

bool ProductionLog::failed(const QString& reason) {
    error_ = QStringLiteral("cannot write the production log %1: %2").arg(path_, reason);
    return false;
}

int ProductionLog::open() {
    if (const QString why = not_a_regular_file(path_); !why.isEmpty()) {
        failed(why);
        return -1;
    }
    QDir().mkpath(QFileInfo(path_).absolutePath());
    const int fd = ::open(QFile::encodeName(path_).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
    if (fd < 0) {
        failed(system_reason(errno));
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        failed(QStringLiteral("it is not a regular file"));
        return -1;
    }
    return fd;
}

bool ProductionLog::writable() {
    const int fd = open();
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool ProductionLog::append(const QString& capcode, ProductionResult result, const QDateTime& when) {
    const int fd = open();
    if (fd < 0) return false;
    struct stat st {};
    ::fstat(fd, &st);
    const off_t before = st.st_size;
    const QByteArray line = (production_log_line(when, capcode, result) + '\n').toUtf8();
    // One write for the whole line; should the system take only part of it,
    // the rest is tried once more, which names the error.
    qsizetype done = 0;
    int error = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd, line.constData() + done, static_cast<size_t>(line.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += n;
    }
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (error != 0 && done > 0) {
        // Cut off the torn line, unless another program appended after it.
        if (::fstat(fd, &st) == 0 && st.st_size == before + done) {
            if (::ftruncate(fd, before) == 0) ::fsync(fd);
        }
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) return failed(system_reason(error));
    error_.clear();
    return true;
}

QString ProductionLog::default_path() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/production-log.csv");
}

} // namespace qrt58
