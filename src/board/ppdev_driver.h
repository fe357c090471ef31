// Linux ppdev backend: /dev/parportN opened and claimed at start, released at
// shut-down. Each device answers at its base address (0x378, 0x278 or 0x3BC) as
// read from /proc/sys/dev/parport/parportN/base-addr; the data register goes
// through PPWDATA/PPRDATA and the status register through PPRSTATUS. No root.
#pragma once

#include "port_driver.h"

#include <QString>
#include <vector>

namespace qrt58 {

class PpdevDriver : public PortDriver {
public:
    // `device` empty: every /dev/parportN whose base is one of the three bases.
    explicit PpdevDriver(QString device = QString());
    ~PpdevDriver() override;

    DriverStatus initialize() override;
    void shutdown() override;
    int get_port_val(int port) override;
    bool set_port_val(int port, int value) override;
    QString describe() const override;

    // First number of a base-addr file ("888\t0\n" -> 888); -1 when unreadable.
    static int base_of(const QString& parport_name, const QString& proc_root = "/proc/sys/dev/parport");

private:
    struct Port {
        QString path;
        int base = -1;
        int fd = -1;
    };
    Port* port_at(int base);

    QString device_;
    std::vector<Port> ports_;
};

} // namespace qrt58
