// Records SCL/SDA levels as a Value Change Dump (IEEE 1364 VCD, 1 ns timescale),
// which GTKWave and sigrok/PulseView open. Time 0 is the first recorded change.
#pragma once

#include "port_driver.h"

#include <QString>
#include <cstdint>
#include <fstream>
#include <vector>

namespace qrt58 {

class VcdTrace : public BusObserver {
public:
    VcdTrace() = default;
    ~VcdTrace() override;
    // Opens `path` and writes the header; false (with error() set) when the
    // file cannot be created or is not a regular file.
    bool open(const QString& path);
    // Finishes the file; false (with error() set) when any part of the trace
    // could not be written (a full disk, a size limit).
    bool close();
    // Why the trace is incomplete; empty while every write went through.
    const QString& error() const { return error_; }
    bool is_open() const { return out_.is_open(); }

    void on_lines(std::int64_t t_ns, bool scl, bool sda) override;

    // Changes recorded so far (time relative to the first, levels), for tests.
    struct Change {
        std::int64_t t_ns;
        bool scl, sda;
    };
    const std::vector<Change>& changes() const { return changes_; }
    bool keep_changes = false;

private:
    void check_stream();

    std::ofstream out_;
    QString path_;
    QString error_;
    int errno_ = 0; // the system's error at the first failed write
    bool started_ = false;
    std::int64_t origin_ = 0;
    std::int64_t last_t_ = -1;
    bool scl_ = true, sda_ = true;
    std::vector<Change> changes_;
};

} // namespace qrt58
