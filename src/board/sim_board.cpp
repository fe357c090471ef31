#include "sim_board.h"

#include "default_image.h"
#include "pager_table.h"

#include "file_lock.h"
#include "safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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
                if (page_mask_ & (1u << i))
                    memory[static_cast<std::size_t>(page_base_ + i)] = page_[static_cast<std::size_t>(i)];
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
    case Phase::Idle: break;
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

SimBoard::~SimBoard() { shutdown(); }

QString SimBoard::default_file() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/sim-eeprom.bin");
}

DriverStatus SimBoard::initialize() {
    if (!file_.isEmpty() && fd_ < 0) {
        const auto refuse = [this](const QString& message) {
            if (fd_ >= 0) ::close(fd_);
            fd_ = -1;
            return DriverStatus{false, message};
        };
        // Only a regular file is memory: a pipe is never opened, a device never read.
        if (const QString why = not_a_regular_file(file_); !why.isEmpty())
            return refuse(QStringLiteral("Cannot open the simulated EEPROM file %1: %2").arg(file_, why));
        QDir().mkpath(QFileInfo(file_).absolutePath());
        const QByteArray name = QFile::encodeName(file_);
        fd_ = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0 && errno == ENOENT) {
            fd_ = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0644);
            // Another program made it a moment ago: open theirs.
            if (fd_ < 0 && errno == EEXIST) fd_ = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        }
        if (fd_ < 0) {
            const QString reason = system_reason(errno);
            return refuse((QFileInfo::exists(file_) ? QStringLiteral("Cannot open the simulated EEPROM file %1: %2")
                                                    : QStringLiteral("Cannot create the simulated EEPROM file %1: %2"))
                              .arg(file_, reason));
        }
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))
            return refuse(
                QStringLiteral("Cannot open the simulated EEPROM file %1: it is not a regular file").arg(file_));
        // One program at a time: a second one saving the same memory would
        // silently undo what the first one wrote. The lock sits on the file
        // itself, so every name of it is refused alike, and it goes with the
        // program that holds it, however that program ends.
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error != EWOULDBLOCK)
                return refuse(
                    QStringLiteral("Cannot lock the simulated EEPROM file %1: %2").arg(file_, system_reason(error)));
            const qint64 holder = flock_holder(st);
            return refuse(QStringLiteral("Cannot use the simulated EEPROM file %1: it is in use by another "
                                         "program%2")
                              .arg(file_, holder > 0 ? QStringLiteral(" (process %1)").arg(holder) : QString()));
        }
        // Whether the file is new is told under the lock, by its size: an
        // empty file is one whose creator has not filled it yet and lost the
        // lock to us, or was killed before it could; a creator that lost the
        // race finds the file filled (and perhaps programmed) and keeps it.
        if (::fstat(fd_, &st) != 0)
            return refuse(
                QStringLiteral("Cannot open the simulated EEPROM file %1: %2").arg(file_, system_reason(errno)));
        const bool created = st.st_size == 0;
        if (created) {
            // A new file holds the default image, written under the lock, so
            // nobody ever reads it half made.
            const FileResult written = rewrite_open_file(
                fd_, file_, QByteArray(reinterpret_cast<const char*>(eeprom_.memory.data()), kImageSize));
            if (!written.ok) {
                ::unlink(name.constData()); // no empty or short file stays behind
                return refuse(
                    QStringLiteral("Cannot create the simulated EEPROM file %1: %2").arg(file_, written.reason));
            }
        } else {
            QByteArray bytes(kImageSize + 1, '\0');
            // One byte more than the memory tells a longer file from a good one.
            const ssize_t got = ::pread(fd_, bytes.data(), static_cast<size_t>(bytes.size()), 0);
            if (got < 0)
                return refuse(
                    QStringLiteral("Cannot open the simulated EEPROM file %1: %2").arg(file_, system_reason(errno)));
            if (got != kImageSize)
                return refuse(QStringLiteral("The simulated EEPROM file %1 does not hold 2048 bytes").arg(file_));
            std::copy(bytes.begin(), bytes.begin() + kImageSize, eeprom_.memory.begin());
        }
        saved_ = eeprom_.memory;
        eeprom_.dirty = false;
    }
    started_ = true;
    settle(clock_.now_ns());
    return {true, QString()};
}

void SimBoard::shutdown() {
    if (started_) flush();
    started_ = false;
    if (fd_ >= 0) ::close(fd_); // releases the lock
    fd_ = -1;
}

bool SimBoard::keep_memory(QString* reason) {
    if (flush()) return true;
    if (reason) *reason = save_error_;
    return false;
}

bool SimBoard::flush() {
    if (fd_ < 0 || !started_ || !eeprom_.dirty) return true;
    const QByteArray bytes(reinterpret_cast<const char*>(eeprom_.memory.data()), kImageSize);
    FileResult saved = rewrite_open_file(fd_, file_, bytes);
    if (saved.ok) {
        // The file written must still be the one of that name: one removed or
        // replaced meanwhile keeps nothing for the next run.
        struct stat open_st {
        }, named_st{};
        if (::fstat(fd_, &open_st) != 0 || ::stat(QFile::encodeName(file_).constData(), &named_st) != 0 ||
            open_st.st_dev != named_st.st_dev || open_st.st_ino != named_st.st_ino)
            saved = {false, QString(), QStringLiteral("the file was removed or replaced while in use")};
    }
    if (!saved.ok) {
        save_reason_ = saved.reason;
        save_error_ = QStringLiteral("Cannot save the simulated EEPROM file %1: %2").arg(file_, saved.reason);
        // The write is lost: the memory holds what the file holds, so that
        // nothing saves it later (after the failure was reported).
        eeprom_.memory = saved_;
        eeprom_.dirty = false;
        return false;
    }
    saved_ = eeprom_.memory;
    eeprom_.dirty = false;
    save_error_.clear();
    return true;
}

QString SimBoard::describe() const { return file_.isEmpty() ? QStringLiteral("sim") : QStringLiteral("sim:") + file_; }

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
