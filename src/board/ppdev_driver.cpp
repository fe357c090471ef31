#include "ppdev_driver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace qrt58 {

PpdevDriver::PpdevDriver(QString device) : device_(std::move(device)) {}

PpdevDriver::~PpdevDriver() { shutdown(); }

int PpdevDriver::base_of(const QString& parport_name, const QString& proc_root) {
    QFile f(proc_root + '/' + parport_name + QStringLiteral("/base-addr"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QStringList fields =
        QString::fromLatin1(f.readAll()).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (fields.isEmpty()) return -1;
    bool ok = false;
    const int base = fields.first().toInt(&ok);
    return ok ? base : -1;
}

std::vector<PpdevDriver::Planned> PpdevDriver::plan_ports(const QString& device, const QString& proc_root) {
    if (!device.isEmpty()) return {{device, kPortBases[0]}};
    QStringList names = QDir(proc_root).entryList({QStringLiteral("parport*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    // parport2 before parport10
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.size() != b.size() ? a.size() < b.size() : a < b; });
    std::vector<Planned> plan;
    std::vector<int> free(std::begin(kPortBases), std::end(kPortBases));
    std::vector<QString> others;
    for (const QString& name : names) {
        const int base = base_of(name, proc_root);
        const auto legacy = std::find(free.begin(), free.end(), base);
        if (legacy != free.end()) {
            plan.push_back({QStringLiteral("/dev/") + name, base});
            free.erase(legacy);
        } else {
            others.push_back(name);
        }
    }
    for (std::size_t i = 0; i < others.size() && i < free.size(); ++i)
        plan.push_back({QStringLiteral("/dev/") + others[i], free[i]});
    return plan;
}

DriverStatus PpdevDriver::initialize() {
    shutdown();
    const std::vector<Planned> plan = plan_ports(device_);
    if (plan.empty())
        return {false, QStringLiteral("The ppdev port driver cannot start: no parallel port found "
                                      "(/proc/sys/dev/parport lists none; is the parport_pc module loaded?)")};
    QStringList errors;
    for (const Planned& planned : plan) {
        Port p;
        p.path = planned.path;
        p.base = planned.base;
        if (!QFileInfo::exists(p.path)) {
            errors << QStringLiteral("%1: no such device").arg(p.path);
            continue;
        }
        p.fd = ::open(QFile::encodeName(p.path).constData(), O_RDWR);
        if (p.fd < 0) {
            const int error = errno;
            errors << QStringLiteral("%1: %2").arg(p.path, QString::fromLocal8Bit(std::strerror(error)));
            // The ports belong to the group lp (Debian's own udev rule).
            if (error == EACCES || error == EPERM)
                errors.last() += QStringLiteral(" (the user needs the group lp: sudo adduser $USER lp, then log "
                                                "in again)");
            continue;
        }
        if (::ioctl(p.fd, PPCLAIM) != 0) {
            errors << QStringLiteral("%1: cannot claim the port: %2")
                          .arg(p.path, QString::fromLocal8Bit(std::strerror(errno)));
            ::close(p.fd);
            continue;
        }
        int forward = 0; // drive the data lines (a port left in reverse mode would not)
        ::ioctl(p.fd, PPDATADIR, &forward);
        ports_.push_back(p);
    }
    if (ports_.empty())
        return {false, QStringLiteral("The ppdev port driver cannot start: ") + errors.join(QStringLiteral("; "))};
    return {true, QString()};
}

void PpdevDriver::shutdown() {
    for (Port& p : ports_) {
        if (p.fd >= 0) {
            ::ioctl(p.fd, PPRELEASE);
            ::close(p.fd);
        }
    }
    ports_.clear();
}

PpdevDriver::Port* PpdevDriver::port_at(int base) {
    for (Port& p : ports_)
        if (p.base == base) return &p;
    return nullptr;
}

int PpdevDriver::get_port_val(int port) {
    unsigned char v = 0;
    if (Port* p = port_at(port)) {
        if (::ioctl(p->fd, PPRDATA, &v) != 0) return -1;
        return v;
    }
    if (Port* p = port_at(port - 1)) {
        if (::ioctl(p->fd, PPRSTATUS, &v) != 0) return -1;
        return v;
    }
    return -1;
}

bool PpdevDriver::set_port_val(int port, int value) {
    Port* p = port_at(port);
    if (!p) return false;
    unsigned char v = static_cast<unsigned char>(value);
    return ::ioctl(p->fd, PPWDATA, &v) == 0;
}

QString PpdevDriver::describe() const {
    return device_.isEmpty() ? QStringLiteral("ppdev") : QStringLiteral("ppdev:") + device_;
}

} // namespace qrt58
