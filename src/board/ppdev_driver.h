// Linux ppdev backend: /dev/parportN opened and claimed at start, released at
// shut-down; the data register goes through PPWDATA/PPRDATA and the status
// register through PPRSTATUS. No root.
//
// With ppdev a port's I/O address is only the name the board search knows it
// by, so a port at any address (a PCI Express card at 0xD010, say) can be used:
// a device named on the command line answers at 0x378, the first address
// searched; without a name, the ports listed in /proc/sys/dev/parport keep
// their own address when it is one of 0x378, 0x278 and 0x3BC, and the others
// take the searched addresses left over, in order.
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

    // The ports to open and the searched address each answers at.
    struct Planned {
        QString path;
        int base = -1;
    };
    static std::vector<Planned> plan_ports(const QString& device, const QString& proc_root = "/proc/sys/dev/parport");

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
