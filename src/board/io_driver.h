// Raw port I/O backend: ioperm/inb/outb on the three parallel-port bases. x86 Linux
// only, and only as root (or with CAP_SYS_RAWIO).
#pragma once

#include "port_driver.h"

namespace qrt58 {

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
