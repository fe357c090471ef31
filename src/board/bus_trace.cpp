#include "bus_trace.h"

#include <QDateTime>
#include <QFile>

#include <cerrno>

#include "safe_file.h"

namespace qrt58 {

VcdTrace::~VcdTrace() { close(); }

bool VcdTrace::open(const QString& path) {
    close();
    path_ = path;
    error_.clear();
    const QString why = not_a_regular_file(path);
    if (!why.isEmpty()) {
        error_ = QStringLiteral("Cannot write the bus trace %1: %2").arg(path, why);
        return false;
    }
    errno = 0;
    errno_ = 0;
    out_.open(QFile::encodeName(path).toStdString(), std::ios::out | std::ios::trunc);
    if (!out_) {
        error_ = QStringLiteral("Cannot write the bus trace %1: %2")
                     .arg(path, errno != 0 ? system_reason(errno) : QStringLiteral("it cannot be created"));
        return false;
    }
    out_ << "$date " << QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString() << " $end\n"
         << "$version qrt58 board link $end\n"
         << "$timescale 1ns $end\n"
         << "$scope module board $end\n"
         << "$var wire 1 ! SCL $end\n"
         << "$var wire 1 \" SDA $end\n"
         << "$upscope $end\n"
         << "$enddefinitions $end\n";
    started_ = false;
    last_t_ = -1;
    check_stream();
    return error_.isEmpty();
}

void VcdTrace::check_stream() {
    if (!out_ && errno_ == 0) errno_ = errno != 0 ? errno : EIO;
    if (!out_ && error_.isEmpty())
        error_ = QStringLiteral("Cannot write the bus trace %1: not all of it could be written (%2)")
                     .arg(path_, system_reason(errno_));
}

bool VcdTrace::close() {
    if (out_.is_open()) {
        out_.flush();
        check_stream();
        out_.close();
        check_stream();
    }
    return error_.isEmpty();
}

void VcdTrace::on_lines(std::int64_t t_ns, bool scl, bool sda) {
    if (!started_) {
        started_ = true;
        origin_ = t_ns;
        scl_ = scl;
        sda_ = sda;
        if (out_.is_open())
            out_ << "#0\n$dumpvars\n" << (scl ? '1' : '0') << "!\n" << (sda ? '1' : '0') << "\"\n$end\n";
        last_t_ = 0;
        if (keep_changes) changes_.push_back({0, scl, sda});
        return;
    }
    if (scl == scl_ && sda == sda_) return;
    std::int64_t t = t_ns - origin_;
    if (t < last_t_) t = last_t_;
    if (out_.is_open()) {
        if (t != last_t_) out_ << '#' << t << '\n';
        if (scl != scl_) out_ << (scl ? '1' : '0') << "!\n";
        if (sda != sda_) out_ << (sda ? '1' : '0') << "\"\n";
        // The reason of the first failed write, before later calls change errno.
        if (!out_ && errno_ == 0) errno_ = errno != 0 ? errno : EIO;
    }
    last_t_ = t;
    scl_ = scl;
    sda_ = sda;
    if (keep_changes) changes_.push_back({t, scl, sda});
}

} // namespace qrt58
