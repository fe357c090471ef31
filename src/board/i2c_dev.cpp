#include "i2c_dev.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qrt58 {

QString i2c_open_reason(const QString& path, int error) {
    switch (error) {
    case ENOENT:
        return QStringLiteral("%1: no such I2C adapter (is the adapter plugged in and the i2c-dev "
                              "module loaded? sudo modprobe i2c-dev; the qrt58 package loads it at start-up)")
            .arg(path);
    case EACCES:
    case EPERM:
        return QStringLiteral("%1: permission denied (the user needs the group i2c, which the qrt58 "
                              "package or i2c-tools gives the adapters: sudo adduser $USER i2c, then "
                              "log in again)")
            .arg(path);
    case ENOTTY: return QStringLiteral("%1: not an I2C adapter").arg(path);
    case EOPNOTSUPP: return QStringLiteral("%1: the adapter does not do plain I2C transfers (SMBus only)").arg(path);
    default: return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error)));
    }
}

int LinuxI2cDev::open(const QString& path, QString* reason) {
    close();
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
    int error = fd < 0 ? errno : 0;
    if (fd >= 0) {
        // Only a character device that takes I2C_RDWR is an adapter; a file
        // of the same name is never written to.
        struct stat st {};
        unsigned long funcs = 0;
        if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || ::ioctl(fd, I2C_FUNCS, &funcs) != 0) error = ENOTTY;
        else if (!(funcs & I2C_FUNC_I2C)) error = EOPNOTSUPP;
    }
    if (error != 0) {
        if (fd >= 0) ::close(fd);
        if (reason) *reason = i2c_open_reason(path, error);
        return error;
    }
    fd_ = fd;
    return 0;
}

int LinuxI2cDev::transfer(I2cMessage* messages, int count) {
    if (fd_ < 0) return EBADF;
    std::vector<i2c_msg> msgs(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        i2c_msg& m = msgs[static_cast<std::size_t>(i)];
        m.addr = messages[i].address;
        m.flags = messages[i].read ? I2C_M_RD : 0;
        m.len = messages[i].length;
        m.buf = messages[i].data;
    }
    i2c_rdwr_ioctl_data data{};
    data.msgs = msgs.data();
    data.nmsgs = static_cast<__u32>(count);
    // The kernel returns the number of messages done; anything short is a failure.
    const int done = ::ioctl(fd_, I2C_RDWR, &data);
    if (done == count) return 0;
    return done < 0 ? errno : EIO;
}

void LinuxI2cDev::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

} // namespace qrt58
