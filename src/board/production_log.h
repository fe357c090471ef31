// The production log: one CSV line per receiver that a production run
// programs, "TIME,CAPCODE,RESULT", with the time in ISO 8601 (UTC), capcode 1
// as it was written, and the result "ok", "write error", "verify error" or
// "limit" (capcode 1 cannot be raised for the next receiver; the run ends).
// qrt58cli writes it with --log, the window's production station to
// default_path().
#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>
#include <utility>

namespace qrt58 {

enum class ProductionResult { Ok, WriteError, VerifyError, Limit };

const char* production_result_text(ProductionResult result);
// The result of one write cycle: the write failed, or it worked and the
// verify did or did not.
ProductionResult cycle_result(bool written, bool verified);
QString production_log_line(const QDateTime& when, const QString& capcode, ProductionResult result);

// Why a production run must stop after a receiver: it was programmed with
// `programmed` as capcode 1, but `file` could not be saved with the next
// capcode `next` (`error`), so the file still holds `programmed` and the
// next receiver would get it too.
QString capcode_not_recorded(const QString& programmed, const QString& next, const QString& file, const QString& error);

class ProductionLog {
public:
    explicit ProductionLog(QString path) : path_(std::move(path)) {}
    // Appends one line with one write and syncs it to the disk before
    // returning, so a crash or a pulled plug loses no receiver and another
    // program appending meanwhile never splits it. False (reason in error(),
    // with the system's words) when the line could not be written whole; the
    // log is then cut back to what it held. Only a regular file (or a new one)
    // is written.
    bool append(const QString& capcode, ProductionResult result,
                const QDateTime& when = QDateTime::currentDateTimeUtc());
    // Whether a line could be appended now (the file is opened for appending,
    // and made when missing); false with the reason in error().
    bool writable();
    const QString& path() const { return path_; }
    const QString& error() const { return error_; }

    // "production-log.csv" in the user's data folder (the folder of the
    // simulated EEPROM file).
    static QString default_path();

private:
    // The log opened for appending (made when missing), or -1 after failed().
    int open();
    bool failed(const QString& reason);

    QString path_;
    QString error_;
};

} // namespace qrt58
