// A TransferView that keeps everything it is told.
#pragma once

#include "transfer.h"

#include <QStringList>
#include <vector>

namespace qrt58::test {

struct RecordingView : TransferView {
    void set_status(const QString& text) override { statuses << text; }
    void set_progress_max(int m) override { max = m; }
    void set_progress_position(int p) override { positions.push_back(p); }
    void set_progress_colour(std::uint32_t c) override { colour = c; }
    void message(const QString& text, MessageKind kind) override {
        messages << text;
        kinds.push_back(kind);
    }
    void process_events() override { ++events; }
    void clear() {
        statuses.clear();
        positions.clear();
        messages.clear();
        kinds.clear();
    }

    QStringList statuses;
    int max = -1;
    std::vector<int> positions;
    std::uint32_t colour = 0;
    QStringList messages;
    std::vector<MessageKind> kinds;
    int events = 0;
};

} // namespace qrt58::test
