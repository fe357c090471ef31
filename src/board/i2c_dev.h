// The seam to the kernel's i2c-dev interface: open an adapter, run one combined
// transfer (I2C_RDWR: messages joined by repeated starts, one stop at the end),
// close it. LinuxI2cDev is the real one; tests put a simulated adapter with a
// 24C16 behind the same interface (sim_i2c.h).
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace qrt58 {

struct I2cMessage {
    std::uint16_t address = 0; // 7-bit device address
    bool read = false;
    std::uint8_t* data = nullptr;
    std::uint16_t length = 0;
};

class I2cDev {
public:
    virtual ~I2cDev() = default;
    // Opens the adapter at `path`. 0 on success, else an errno value with a
    // readable reason in `reason`.
    virtual int open(const QString& path, QString* reason) = 0;
    // One combined transfer. 0 on success, else an errno value (ENXIO or
    // EREMOTEIO when a byte was not acknowledged).
    virtual int transfer(I2cMessage* messages, int count) = 0;
    virtual void close() = 0;
    // Makes what the chip now holds last (a simulated adapter saves its
    // memory file). False with the reason when it cannot.
    virtual bool keep_memory(QString* reason) {
        (void)reason;
        return true;
    }
    // Why what the chip held was lost when it was last kept or closed; empty
    // when nothing was lost.
    virtual QString memory_error() const { return QString(); }
};

// /dev/i2c-N through open(2) and ioctl(I2C_RDWR).
class LinuxI2cDev : public I2cDev {
public:
    ~LinuxI2cDev() override { close(); }
    int open(const QString& path, QString* reason) override;
    int transfer(I2cMessage* messages, int count) override;
    void close() override;

private:
    int fd_ = -1;
};

// Why an adapter could not be opened, in words a technician can act on.
QString i2c_open_reason(const QString& path, int error);

} // namespace qrt58
