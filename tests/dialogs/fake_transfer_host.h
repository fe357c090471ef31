// The main window as the transfer dialog Form2 sees it: an image, the
// capcode box 0 and the table file of the production station.
#pragma once

#include "capcode.h"
#include "default_image.h"
#include "table_file.h"
#include "transfer_host.h"

namespace qrt58::test {

struct FakeHost : TransferHost {
    FakeHost() { refill(); }
    PagerTable& image() override { return img; }
    bool modify_mode() const override { return modify; }
    bool auto_increment_first() const override { return auto_increment; }
    QString first_capcode_text() const override { return box0; }
    int first_pair_length_index() const override { return length_index; }
    void set_first_capcode(const QString& text) override {
        store_capcode(img, 0, text.toDouble(), length_index == 1);
        refill();
    }
    void image_was_read() override { ++reads; }
    QString production_file() override { return file; }
    bool save_production_file(QString& error) override {
        if (!save_refused.isEmpty()) {
            error = QStringLiteral("Cannot save %1: %2").arg(file, save_refused);
            return false;
        }
        const SaveResult saved = save_table_file(file, img);
        if (!saved.ok) error = saved.error;
        saves += saved.ok ? 1 : 0;
        return saved.ok;
    }
    // read_dftaddr for box 0.
    void refill() {
        box0 =
            QString::fromStdString(decode_capcode(capcode_word(img, 0), capcode_word(img, 1), length_index == 1).text);
    }

    PagerTable img = build_default_image();
    bool modify = false;
    bool auto_increment = false;
    int length_index = 0;
    QString box0;
    int reads = 0;
    QString file; // the open table file of the production station
    int saves = 0;
    QString save_refused; // set: saves fail with this reason
};

} // namespace qrt58::test
