#include "sim_board.h"

#include "default_image.h"
#include "pager_table.h"

#include "safe_file.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <limits>

namespace qrt58 {

// ---- 24C16 ---------------------------------------------------------------------

bool Eeprom24C16::busy() const { return busy_forever || clock_.now_ns() < busy_until_; }

void Eeprom24C16::on_lines(bool scl, bool sda) {
    const bool old_scl = scl_;
    const bool old_sda = sda_;
    scl_ = scl;
    sda_ = sda;
    if (scl && old_scl && sda != old_sda) {
        // A data change while the clock is high is a bus condition.
        if (!sda) start();
        else stop();
        return;
    }
    if (scl && !old_scl) rise(sda);
    else if (!scl && old_scl) fall();
}

bool Eeprom24C16::begin_transaction() {
    ++starts;
    if (page_mask_ != 0) ++pages_abandoned; // a write without its stop never happens
    page_mask_ = 0;
    // During the internal write cycle the device ignores the bus.
    if (busy()) return false;
    target_ = Target::Control;
    read_mode_ = false;
    return true;
}

void Eeprom24C16::end_transaction(bool whole_bytes) {
    ++stops;
    if (target_ == Target::Data && page_mask_ != 0) {
        if (whole_bytes) {
            for (int i = 0; i < 16; ++i)
                if (page_mask_ & (1u << i)) memory[static_cast<std::size_t>(page_base_ + i)] = page_[static_cast<std::size_t>(i)];
            ++pages_committed;
            dirty = true;
            busy_until_ = clock_.now_ns() + write_cycle_ns;
            if (busy_forever_after_write) busy_forever = true;
        } else {
            ++pages_abandoned; // stop in the middle of a byte
        }
    }
    page_mask_ = 0;
}

void Eeprom24C16::start() {
    drive_low_ = false;
    rose_ = false;
    phase_ = begin_transaction() ? Phase::Receive : Phase::Idle;
    bits_ = 0;
    shift_ = 0;
}

void Eeprom24C16::stop() {
    drive_low_ = false;
    // Only a write still receiving can hold a page (see take_byte).
    end_transaction(phase_ != Phase::Receive || bits_ == 0);
    phase_ = Phase::Idle;
    rose_ = false;
}

void Eeprom24C16::rise(bool sda) {
    rose_ = true;
    if (phase_ == Phase::Receive) sampled_ = sda;
    else if (phase_ == Phase::AckIn) master_ack_ = !sda;
}

void Eeprom24C16::fall() {
    if (!rose_) return; // the clock falling right after a start is not a bit
    rose_ = false;
    switch (phase_) {
    case Phase::Idle:
        break;
    case Phase::Receive:
        shift_ = static_cast<std::uint8_t>((shift_ << 1) | (sampled_ ? 1 : 0));
        if (++bits_ == 8) {
            if (take_byte(shift_)) {
                drive_low_ = true;
                phase_ = Phase::AckOut;
            } else {
                drive_low_ = false;
                phase_ = Phase::Idle;
            }
            bits_ = 0;
            shift_ = 0;
        }
        break;
    case Phase::AckOut:
        drive_low_ = false;
        if (read_mode_) {
            load_tx();
        } else {
            phase_ = Phase::Receive;
            bits_ = 0;
        }
        break;
    case Phase::Transmit:
        if (--tx_bit_ < 0) {
            drive_low_ = false;
            phase_ = Phase::AckIn;
        } else {
            drive_low_ = !((tx_ >> tx_bit_) & 1);
        }
        break;
    case Phase::AckIn:
        if (master_ack_) {
            load_tx();
        } else {
            drive_low_ = false;
            phase_ = Phase::Idle; // not-acknowledge: wait for stop or start
        }
        break;
    }
}

std::uint8_t Eeprom24C16::next_read_byte() {
    std::uint8_t b = memory[static_cast<std::size_t>(address_)];
    if (address_ == flip_address) b ^= flip_mask;
    address_ = (address_ + 1) & 0x7FF; // sequential reads roll over from 2047 to 0
    return b;
}

void Eeprom24C16::load_tx() {
    tx_ = next_read_byte();
    tx_bit_ = 7;
    drive_low_ = !((tx_ >> 7) & 1);
    phase_ = Phase::Transmit;
}

bool Eeprom24C16::take_byte(std::uint8_t b) {
    switch (target_) {
    case Target::Control:
        ++control_bytes;
        if ((b & 0xF0) != 0xA0) return false;
        block_ = (b >> 1) & 7;
        if (b & 1) {
            read_mode_ = true; // current-address read from the internal counter
        } else {
            target_ = Target::WordAddress;
        }
        return true;
    case Target::WordAddress:
        address_ = (block_ << 8) | b;
        page_base_ = address_ & 0x7F0;
        page_pos_ = address_ & 0x0F;
        page_mask_ = 0;
        target_ = Target::Data;
        return true;
    case Target::Data: {
        const int index = data_bytes++;
        if (no_ack_from_data_byte >= 0 && index >= no_ack_from_data_byte) {
            page_mask_ = 0;
            return false;
        }
        page_[static_cast<std::size_t>(page_pos_)] = b;
        page_mask_ = static_cast<std::uint16_t>(page_mask_ | (1u << page_pos_));
        page_pos_ = (page_pos_ + 1) & 0x0F; // the page buffer wraps inside its page
        address_ = page_base_ | page_pos_;  // a current-address read goes on from here
        return true;
    }
    }
    return false;
}

// ---- the board -------------------------------------------------------------------

SimBoard::SimBoard(Clock& clock, QString file, int base)
    : clock_(clock), file_(std::move(file)), base_(base), eeprom_(clock) {
    PagerTable image = build_default_image();
    stamp_checksum(image);
    std::copy(image.bytes.begin(), image.bytes.end(), eeprom_.memory.begin());
}

SimBoard::~SimBoard() {
    flush();
    lock_.reset();
}

QString SimBoard::default_file() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/sim-eeprom.bin");
}

DriverStatus SimBoard::initialize() {
    if (!file_.isEmpty()) {
        // One program at a time: a second one saving the same memory would
        // silently undo what the first one wrote.
        QDir().mkpath(QFileInfo(file_).absolutePath());
        lock_ = std::make_unique<QLockFile>(file_ + QStringLiteral(".lock"));
        lock_->setStaleLockTime(0); // a lock of a process that is gone is taken over
        if (!lock_->tryLock(0)) {
            qint64 pid = 0;
            QString host, app;
            lock_->getLockInfo(&pid, &host, &app);
            const QString message =
                lock_->error() == QLockFile::LockFailedError
                    ? QStringLiteral("Cannot use the simulated EEPROM file %1: it is in use by another "
                                     "program (process %2)")
                          .arg(file_)
                          .arg(pid)
                    : QStringLiteral("Cannot create the lock file %1.lock of the simulated EEPROM file")
                          .arg(file_);
            lock_.reset();
            return {false, message};
        }
        if (QFileInfo::exists(file_) || !not_a_regular_file(file_).isEmpty()) {
            QByteArray bytes;
            // One byte more than the memory tells a longer file from a good one.
            const FileResult read = read_regular_file(file_, kImageSize + 1, bytes);
            if (!read.ok) {
                lock_.reset();
                return {false, QStringLiteral("Cannot open the simulated EEPROM file %1: %2")
                                   .arg(file_, read.reason)};
            }
            if (bytes.size() != kImageSize) {
                lock_.reset();
                return {false, QStringLiteral("The simulated EEPROM file %1 does not hold 2048 bytes")
                                   .arg(file_)};
            }
            std::copy(bytes.begin(), bytes.end(), eeprom_.memory.begin());
            eeprom_.dirty = false;
        } else {
            eeprom_.dirty = true; // a new file holds the default image
            if (!flush()) {
                lock_.reset();
                return {false, QStringLiteral("Cannot create the simulated EEPROM file %1: %2")
                                   .arg(file_, save_reason_)};
            }
        }
    }
    started_ = true;
    settle(clock_.now_ns());
    return {true, QString()};
}

void SimBoard::shutdown() {
    flush();
    started_ = false;
    lock_.reset();
}

bool SimBoard::flush() {
    if (file_.isEmpty() || !eeprom_.dirty) return true;
    const FileResult saved = write_file_checked(
        file_, QByteArray(reinterpret_cast<const char*>(eeprom_.memory.data()), kImageSize));
    if (!saved.ok) {
        save_reason_ = saved.reason;
        save_error_ = QStringLiteral("Cannot save the simulated EEPROM file %1: %2").arg(file_, saved.reason);
        return false;
    }
    eeprom_.dirty = false;
    save_error_.clear();
    return true;
}

QString SimBoard::describe() const {
    return file_.isEmpty() ? QStringLiteral("sim") : QStringLiteral("sim:") + file_;
}

bool SimBoard::observe_bus(BusObserver* observer) {
    observer_ = observer;
    if (observer_) observer_->on_lines(clock_.now_ns(), scl_, sda_);
    return true;
}

int SimBoard::get_port_val(int port) {
    if (!started_) return -1;
    if (port == base_) return latch_;
    if (port == base_ + 1) {
        if (no_board) return 0xFF; // nothing pulls status bit 3 low
        return 0x70 | (sda_ ? 0 : 0x08);
    }
    return 0xFF; // no port here: an open bus reads all ones
}

bool SimBoard::set_port_val(int port, int value) {
    if (!started_) return false;
    if (port != base_) return true;
    ++data_writes;
    if (on_write) on_write(port, value);
    const bool repeat_idle = value == 0xFE && latch_ == 0xFE;
    latch_ = value & 0xFF;
    if (no_board) return true;
    const bool scl_low = latch_ & 1;
    const bool sda_low = (latch_ & 2) != 0;
    // When both lines change in one write, data moves before a rising clock and
    // after a falling one, so a single write never fakes a start or a stop.
    // The trace shows the first of two such steps a nanosecond early, so that
    // a viewer sees them in the order the EEPROM did.
    const std::int64_t t = clock_.now_ns();
    if (scl_low != pc_scl_low_ && sda_low != pc_sda_low_) {
        if (!scl_low) {
            apply(pc_scl_low_, sda_low, t - 1);
            apply(scl_low, sda_low, t);
        } else {
            apply(scl_low, pc_sda_low_, t - 1);
            apply(scl_low, sda_low, t);
        }
    } else {
        apply(scl_low, sda_low, t);
    }
    if (repeat_idle) flush(); // the keep-alive pattern: a quiet moment to save
    return true;
}

void SimBoard::apply(bool pc_scl_low, bool pc_sda_low, std::int64_t t) {
    pc_scl_low_ = pc_scl_low;
    pc_sda_low_ = pc_sda_low;
    settle(t);
}

void SimBoard::settle(std::int64_t t) {
    for (int i = 0; i < 4; ++i) {
        const bool scl = !pc_scl_low_;
        const bool sda = !(pc_sda_low_ || eeprom_.drives_sda_low() || sda_stuck_low);
        if (scl == scl_ && sda == sda_) return;
        scl_ = scl;
        sda_ = sda;
        // The EEPROM answers a clock edge a moment later (its output delay).
        if (observer_) observer_->on_lines(t + i, scl_, sda_);
        eeprom_.on_lines(scl_, sda_);
    }
}

} // namespace qrt58
