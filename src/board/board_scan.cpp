#include "board_scan.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace qrt58 {

namespace {
// Device nodes `prefix`N in `dir`, sorted by N.
std::vector<std::pair<int, QString>> numbered_nodes(const QString& dir, const QString& prefix) {
    std::vector<std::pair<int, QString>> out;
    const QStringList names = QDir(dir).entryList({prefix + '*'}, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        bool ok = false;
        const int n = name.mid(prefix.size()).toInt(&ok);
        if (ok && n >= 0) out.emplace_back(n, dir + '/' + name);
    }
    std::sort(out.begin(), out.end());
    return out;
}

QString read_name(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(f.read(256)).trimmed();
}
} // namespace

std::vector<I2cAdapterInfo> list_i2c_adapters(const QString& root) {
    std::vector<I2cAdapterInfo> out;
    for (const auto& [n, path] : numbered_nodes(root + QStringLiteral("/dev"), QStringLiteral("i2c-"))) {
        I2cAdapterInfo info;
        info.number = n;
        info.path = QStringLiteral("/dev/i2c-%1").arg(n);
        info.name = read_name(root + QStringLiteral("/sys/class/i2c-dev/i2c-%1/name").arg(n));
        if (info.name.isEmpty())
            info.name = read_name(root + QStringLiteral("/sys/bus/i2c/devices/i2c-%1/name").arg(n));
        out.push_back(info);
    }
    return out;
}

QStringList list_parports(const QString& root) {
    QStringList out;
    for (const auto& [n, path] : numbered_nodes(root + QStringLiteral("/dev"), QStringLiteral("parport")))
        out << QStringLiteral("/dev/parport%1").arg(n);
    return out;
}

bool is_host_adapter(const QString& name) {
    // The chipset SMBus drivers name their adapters "SMBus <chip> adapter ...";
    // USB bridges such as the CP2112 ("CP2112 SMBus Bridge ...") are wanted.
    if (name.startsWith(QLatin1String("SMBus "))) return true;
    static const char* const kMarks[] = {"i915",   "gmbus",  "DDC",   "AMDGPU", "amdgpu",
                                         "Radeon", "radeon", "nvkm",  "NVIDIA", "nouveau",
                                         "DP-",    "DP AUX", "DPDDC", "AUX ",   "Synopsys DesignWare HDMI"};
    for (const char* mark : kMarks)
        if (name.contains(QLatin1String(mark))) return true;
    return false;
}

QString default_i2c_adapter(const QString& root) {
    for (const I2cAdapterInfo& a : list_i2c_adapters(root))
        if (!is_host_adapter(a.name)) return a.path;
    return QString();
}

QString no_i2c_adapter_detail(const QString& root) {
    return list_i2c_adapters(root).empty()
               ? QStringLiteral(" (/dev/i2c-*: plug in the adapter; sudo modprobe i2c-dev)")
               : QStringLiteral(" besides the computer's own buses (name one: --board i2c:/dev/i2c-N)");
}

} // namespace qrt58
