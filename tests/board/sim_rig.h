// A simulated board on a virtual clock with a link on top, and a driver wrapper
// that records every port access.
#pragma once

#include "board_link.h"
#include "clock.h"
#include "sim_board.h"

#include <utility>
#include <vector>

namespace qrt58::test {

// Passes every access to `inner` and keeps a log; can make reads fail.
class RecordingDriver : public PortDriver {
public:
    explicit RecordingDriver(PortDriver& inner) : inner_(inner) {}
    struct Access {
        bool write;
        int port;
        int value;
    };
    DriverStatus initialize() override { return inner_.initialize(); }
    void shutdown() override { inner_.shutdown(); }
    int get_port_val(int port) override {
        const int v = fail_reads ? -1 : inner_.get_port_val(port);
        log.push_back({false, port, v});
        return v;
    }
    bool set_port_val(int port, int value) override {
        log.push_back({true, port, value});
        return inner_.set_port_val(port, value);
    }
    bool observe_bus(BusObserver* o) override { return !hide_bus && inner_.observe_bus(o); }
    bool keep_memory(QString* reason) override { return inner_.keep_memory(reason); }
    QString describe() const override { return inner_.describe(); }

    std::vector<Access> log;
    bool fail_reads = false;
    bool hide_bus = false; // act like a real port: no view of the bus levels

private:
    PortDriver& inner_;
};

struct SimRig {
    explicit SimRig(int base = 0x378) : sim(clock, QString(), base), rec(sim), link(rec, clock) {
        sim.initialize();
        link.set_driver_ready(true);
    }
    // Finds the board (and fails the test if it does not answer).
    bool find() { return link.find_board(); }
    std::uint8_t mem(int a) const { return sim_mem()[static_cast<std::size_t>(a)]; }
    const std::array<std::uint8_t, 2048>& sim_mem() const { return const_cast<SimRig*>(this)->sim.eeprom().memory; }

    VirtualClock clock;
    SimBoard sim;
    RecordingDriver rec;
    BoardLink link;
};

} // namespace qrt58::test
