#include "io_driver.h"

#include <QByteArray>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#include <sys/io.h>
#define QRT58_HAVE_PORT_IO 1
#endif

namespace qrt58 {

QString drop_root_for_sudo_user() {
    if (::geteuid() != 0) return QString();
    const QByteArray uid_text = qgetenv("SUDO_UID"), gid_text = qgetenv("SUDO_GID");
    if (uid_text.isEmpty() && gid_text.isEmpty()) return QString(); // root itself
    bool uid_ok = false, gid_ok = false;
    const uint uid = uid_text.toUInt(&uid_ok), gid = gid_text.toUInt(&gid_ok);
    if (!uid_ok || !gid_ok)
        return QStringLiteral("cannot give up root: SUDO_UID=%1 SUDO_GID=%2 name no user")
            .arg(QString::fromLocal8Bit(uid_text), QString::fromLocal8Bit(gid_text));
    if (uid == 0) return QString(); // sudo from root
    const passwd* user = ::getpwuid(uid);
    // The user's own groups (lp, i2c, ...), else none of root's.
    const int groups = user ? ::initgroups(user->pw_name, gid) : ::setgroups(0, nullptr);
    if (groups != 0 || ::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0)
        return QStringLiteral("cannot give up root for user %1: %2")
            .arg(uid)
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    if (::setuid(0) == 0) return QStringLiteral("cannot give up root for user %1: root came back").arg(uid);
    // The user's data folder and settings, not root's.
    if (user && user->pw_dir) ::setenv("HOME", user->pw_dir, 1);
    return QString();
}

IoDriver::~IoDriver() { shutdown(); }

bool IoDriver::allowed(int port) const {
    if (!started_) return false;
    for (int base : kPortBases)
        if (port >= base && port <= base + 2) return true;
    return false;
}

DriverStatus IoDriver::initialize() {
#ifdef QRT58_HAVE_PORT_IO
    for (int base : kPortBases) {
        if (::ioperm(static_cast<unsigned long>(base), 3, 1) != 0) {
            const int err = errno;
            for (int b : kPortBases) ::ioperm(static_cast<unsigned long>(b), 3, 0);
            return {false, QStringLiteral("The io port driver cannot start: ioperm(0x%1) failed: %2%3")
                               .arg(QString::number(base, 16), QString::fromLocal8Bit(std::strerror(err)),
                                    err == EPERM ? QStringLiteral(" (raw port access needs root)") : QString())};
        }
    }
    // Port access is gained; root is not needed any longer.
    if (const QString error = drop_root_for_sudo_user(); !error.isEmpty()) {
        for (int b : kPortBases) ::ioperm(static_cast<unsigned long>(b), 3, 0);
        return {false, QStringLiteral("The io port driver cannot start: ") + error};
    }
    started_ = true;
    return {true, QString()};
#else
    return {false, QStringLiteral("The io port driver needs x86 Linux; use --board ppdev or sim")};
#endif
}

void IoDriver::shutdown() {
#ifdef QRT58_HAVE_PORT_IO
    if (started_)
        for (int base : kPortBases) ::ioperm(static_cast<unsigned long>(base), 3, 0);
#endif
    started_ = false;
}

int IoDriver::get_port_val(int port) {
    if (!allowed(port)) return -1;
#ifdef QRT58_HAVE_PORT_IO
    return ::inb(static_cast<unsigned short>(port));
#else
    return -1;
#endif
}

bool IoDriver::set_port_val(int port, int value) {
    if (!allowed(port)) return false;
#ifdef QRT58_HAVE_PORT_IO
    ::outb(static_cast<unsigned char>(value), static_cast<unsigned short>(port));
    return true;
#else
    (void)value;
    return false;
#endif
}

} // namespace qrt58
