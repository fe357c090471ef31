#include "production_log.h"

#include "safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

namespace qrt58 {

const char* production_result_text(ProductionResult result) {
    switch (result) {
    case ProductionResult::Ok:
        return "ok";
    case ProductionResult::WriteError:
        return "write error";
    case ProductionResult::VerifyError:
        return "verify error";
    case ProductionResult::Limit:
        return "limit";
    }
    return "";
}

ProductionResult cycle_result(bool written, bool verified) {
    if (!written) return ProductionResult::WriteError;
    return verified ? ProductionResult::Ok : ProductionResult::VerifyError;
}

QString production_log_line(const QDateTime& when, const QString& capcode,
                            ProductionResult result) {
    return when.toUTC().toString(Qt::ISODate) + ',' + capcode + ',' +
           QLatin1String(production_result_text(result));
}

bool ProductionLog::failed(const QString& reason) {
    error_ = QStringLiteral("cannot write the production log %1: %2").arg(path_, reason);
    return false;
}

bool ProductionLog::open(QFile& file) {
    if (const QString why = not_a_regular_file(path_); !why.isEmpty()) return failed(why);
    QDir().mkpath(QFileInfo(path_).absolutePath());
    file.setFileName(path_);
    return file.open(QIODevice::WriteOnly | QIODevice::Append) || failed(file.errorString());
}

bool ProductionLog::writable() {
    QFile file;
    return open(file);
}

bool ProductionLog::append(const QString& capcode, ProductionResult result, const QDateTime& when) {
    QFile file;
    if (!open(file)) return false;
    const QByteArray line = (production_log_line(when, capcode, result) + '\n').toUtf8();
    if (file.write(line) != line.size() || !file.flush() || ::fsync(file.handle()) != 0)
        return failed(file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError) return failed(file.errorString());
    error_.clear();
    return true;
}

QString ProductionLog::default_path() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/production-log.csv");
}

} // namespace qrt58
