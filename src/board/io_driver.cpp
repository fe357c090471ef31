#include "io_driver.h"

#include <cerrno>
#include <cstring>

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#include <sys/io.h>
#define QRT58_HAVE_PORT_IO 1
#endif

namespace qrt58 {

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
