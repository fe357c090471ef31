// What programming boards the machine offers: the parallel ports
// (/dev/parport*) and the I2C adapters (/dev/i2c-*, with the adapter's name from
// sysfs). `root` prefixes /dev and /sys (tests use a folder of their own).
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace qrt58 {

struct I2cAdapterInfo {
    QString path; // /dev/i2c-N
    QString name; // from /sys/class/i2c-dev/i2c-N/name; empty when unknown
    int number = 0;
};

// In adapter-number order.
std::vector<I2cAdapterInfo> list_i2c_adapters(const QString& root = QString());
// /dev/parport0, /dev/parport1, ... in number order.
QStringList list_parports(const QString& root = QString());

// Whether an adapter is one of the computer's own buses (the mainboard's
// SMBus, a graphics card's display channels), where address 0x50 is a memory
// module's or a monitor's EEPROM and never a receiver.
bool is_host_adapter(const QString& name);
// The first adapter found that is not one of the computer's own buses; empty
// when there is none (such a bus is used only when named explicitly).
QString default_i2c_adapter(const QString& root = QString());
// Why default_i2c_adapter found none, after "no I2C adapter found" or "none
// found": " (/dev/i2c-*: plug in the adapter; ...)" or " besides the
// computer's own buses (...)".
QString no_i2c_adapter_detail(const QString& root = QString());

} // namespace qrt58
