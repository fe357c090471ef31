// What the transfer dialog Form2 needs from the main window.
#pragma once

#include "pager_table.h"

#include <QString>

class TransferHost {
public:
    virtual ~TransferHost() = default;
    virtual qrt58::PagerTable& image() = 0;                  // the window's image
    virtual bool modify_mode() const = 0;                    // "Modify" selected
    virtual bool auto_increment_first() const = 0;           // optAuto1 checked
    virtual QString first_capcode_text() const = 0;          // text of txtAddr(0)
    virtual int first_pair_length_index() const = 0;         // cboCapLen(0) ListIndex (1 = Long)
    virtual void set_first_capcode(const QString& text) = 0; // box 0 := text, txt_to_tbl(0), read_dftaddr
    virtual void image_was_read() = 0;                       // suppressClick, cboDft from 0xF1, init_ctl, read_CapLen
    // The production station keeps the raised capcode in the open table file.
    // The file's path; with no table file open, the window asks the user for
    // one (and saves the image there). Empty when the user cancels.
    virtual QString production_file() = 0;
    // Saves the image into that file; false with the reason in `error`.
    virtual bool save_production_file(QString& error) = 0;
};
