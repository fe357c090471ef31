// The pager commands: Read, Write and Verfy through the transfer dialog and
// Pager > Job Station..., each with the keep-alive timer stopped, and what the
// transfer dialog and the production station ask of the window (the first
// capcode, the image read, the production file).
#pragma once

#include <QString>

class Form1;

class PagerCommands {
public:
    explicit PagerCommands(Form1& form) : form_(form) {}

    void pager_command(int mode); // Read 0, Write 1, Verfy 2
    void job_station_command();

    QString first_capcode_text() const;
    int first_pair_length_index() const;
    void set_first_capcode(const QString& text);
    void image_was_read();
    QString production_file();
    bool save_production_file(QString& error);

private:
    Form1& form_;
};
