// Raw port I/O backend: ioperm/inb/outb on the three parallel-port bases. x86 Linux
// only, and only as root (or with CAP_SYS_RAWIO).
#pragma once

#include "port_driver.h"

namespace qrt58 {

// Run through sudo as root, gives up root for the user who ran sudo
// (SUDO_UID, SUDO_GID, with that user's groups and home folder), so that the
// files the program writes afterwards belong to that user. Port access gained
// with ioperm stays. Root run without sudo, or another user, stays as it is.
// Empty when done or nothing to do, else why root could not be given up.
QString drop_root_for_sudo_user();

class IoDriver : public PortDriver {
public:
    ~IoDriver() override;
    DriverStatus initialize() override;
    void shutdown() override;
    int get_port_val(int port) override;
    bool set_port_val(int port, int value) override;
    QString describe() const override { return QStringLiteral("io"); }

private:
    bool allowed(int port) const;
    bool started_ = false;
};

} // namespace qrt58
