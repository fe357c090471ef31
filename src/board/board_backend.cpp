#include "board_backend.h"

#include "board_link.h"
#include "i2c_bus.h"
#include "i2c_dev.h"

namespace qrt58 {

namespace {

class PortBoard : public BoardBackend {
public:
    PortBoard(std::unique_ptr<PortDriver> driver, Clock& clock) : driver_(std::move(driver)), link_(*driver_, clock) {}

    EepromBus& bus() override { return link_; }

    DriverStatus start() override {
        const DriverStatus status = driver_->initialize();
        started_ = status.ok;
        link_.set_driver_ready(status.ok, status.error);
        return status;
    }

    DriverStatus stop() override {
        if (!started_) return {true, QString()};
        driver_->shutdown();
        started_ = false;
        link_.set_driver_ready(false);
        const QString lost = driver_->memory_error();
        return {lost.isEmpty(), lost};
    }

    void observe_lines(BusObserver* observer) override { link_.set_bus_observer(observer); }

private:
    std::unique_ptr<PortDriver> driver_;
    BoardLink link_;
    bool started_ = false;
};

class AdapterBoard : public BoardBackend {
public:
    AdapterBoard(std::unique_ptr<I2cDev> dev, Clock& clock, const QString& path)
        : dev_(std::move(dev)), bus_(*dev_, clock, path) {}

    EepromBus& bus() override { return bus_; }

    DriverStatus start() override {
        const DriverStatus status = bus_.open();
        started_ = status.ok;
        return status;
    }

    DriverStatus stop() override {
        if (!started_) return {true, QString()};
        bus_.close();
        started_ = false;
        const QString lost = dev_->memory_error();
        return {lost.isEmpty(), lost};
    }

    QString trace_refusal() const override {
        return QStringLiteral("The bus trace records the parallel-port board's lines; an I2C adapter runs its "
                              "bus itself");
    }
    void observe_lines(BusObserver*) override {}

    QString device() const override { return bus_.path(); }

private:
    std::unique_ptr<I2cDev> dev_;
    I2cBus bus_;
    bool started_ = false;
};

} // namespace

std::unique_ptr<BoardBackend> make_port_board(std::unique_ptr<PortDriver> driver, Clock& clock) {
    return std::make_unique<PortBoard>(std::move(driver), clock);
}

std::unique_ptr<BoardBackend> make_adapter_board(std::unique_ptr<I2cDev> dev, Clock& clock, const QString& path) {
    return std::make_unique<AdapterBoard>(std::move(dev), clock, path);
}

} // namespace qrt58
