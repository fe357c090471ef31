// A stand-in /dev and /sys under a temporary folder, for the device scan.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qrt58::test {

// dev/`name`, and for an I2C adapter its sysfs name.
inline void make_node(const QTemporaryDir& root, const QString& name, const QByteArray& sysname = {}) {
    QDir(root.path()).mkpath("dev");
    QFile f(root.filePath("dev/" + name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    if (sysname.isEmpty()) return;
    QDir().mkpath(root.filePath("sys/class/i2c-dev/" + name));
    QFile n(root.filePath("sys/class/i2c-dev/" + name + "/name"));
    ASSERT_TRUE(n.open(QIODevice::WriteOnly));
    n.write(sysname + "\n");
}

} // namespace qrt58::test
