#include "production_run.h"

#include "capcode.h"
#include "job_plan.h"

#include <QCoreApplication>
#include <QDir>

namespace qrt58 {
namespace {

struct FirstCapcode {
    QString text; // as the capcode box shows it
    std::optional<qint64> value;
    qint64 limit = 0; // the highest capcode 1 the run can reach
};

FirstCapcode first_capcode(const PagerTable& image) {
    const bool long_pair = pair_is_long_in_image(image, 0);
    const DecodedCapcode shown = decode_capcode(capcode_word(image, 0), capcode_word(image, 1), long_pair);
    FirstCapcode first;
    first.text = QString::fromStdString(shown.text);
    if (shown.value) first.value = static_cast<qint64>(*shown.value);
    first.limit = long_pair ? 4291000000LL : 2031614LL;
    return first;
}

} // namespace

ReceiverResult registry_result(ProductionResult result) {
    switch (result) {
    case ProductionResult::Ok: return ReceiverResult::Ok;
    case ProductionResult::VerifyError: return ReceiverResult::VerifyError;
    case ProductionResult::WriteError:
    case ProductionResult::Limit: break;
    }
    return ReceiverResult::WriteError;
}

ProductionRun::ProductionRun(ProductionRunOptions options) : options_(std::move(options)) {}

ProductionRun::~ProductionRun() { close(); }

bool ProductionRun::refuse(const QString& why) {
    error_ = why;
    return false;
}

bool ProductionRun::lock() {
    error_.clear();
    if (lock_) return true;
    QString why;
    lock_ = FileLock::acquire(options_.file, why);
    return lock_ ? true : refuse(why);
}

bool ProductionRun::open() {
    if (!lock()) return false;
    if (!options_.registry || registry_) return true;
    QString why;
    auto registry = Registry::open(*options_.registry, &why, QStringLiteral("qrt58 %1").arg(options_.station));
    if (!registry) return refuse(why);
    if (!registry->begin_session(options_.station, options_.host, QCoreApplication::applicationPid()) ||
        registry->reap_interrupted() < 0)
        return refuse(registry->error());
    registry_ = std::move(registry);
    return true;
}

bool ProductionRun::claim(const PagerTable& image) {
    error_.clear();
    if (!options_.registry) return true;
    if (!registry_ && !open()) return false;
    const FirstCapcode first = first_capcode(image);
    if (!first.value)
        return refuse(QStringLiteral("capcode 1 (%1) is no capcode the registry can record").arg(first.text));
    CapcodeHolder holder;
    qint64 receiver = 0;
    switch (registry_->claim_receiver(options_.board, {*first.value}, receiver, holder)) {
    case ClaimStatus::Claimed: receiver_ = receiver; return true;
    case ClaimStatus::Failed:
        return refuse(QStringLiteral("the registry %1: %2").arg(options_.registry->text(), registry_->error()));
    case ClaimStatus::Refused: break;
    }
    // Taken: say by whom and what to do; nothing is written.
    const qint64 next = registry_->next_free_capcode(*first.value, first.limit);
    if (next < 0)
        return refuse(QStringLiteral("the registry %1: %2").arg(options_.registry->text(), registry_->error()));
    const QString file = QDir::toNativeSeparators(options_.file);
    const QString raise = next > 0 ? QStringLiteral("raise capcode 1 in %1 to %2")
                                         .arg(file, QString::number(next).rightJustified(first.text.size(), '0'))
                                   : QStringLiteral("no free capcode is left above it for %1").arg(file);
    QString what;
    const QString result = holder.receiver_holds ? holder.receiver.result : QString();
    if (result == QLatin1String("ok"))
        what = QStringLiteral("%1 or release it with `qrt58cli registry release --scrapped %2` if that receiver "
                              "was scrapped")
                   .arg(raise)
                   .arg(*first.value);
    else if (holder.receiver_holds && result != QLatin1String("programming"))
        what = QStringLiteral("%1, or release it with `qrt58cli registry release %2` once that receiver is erased "
                              "or scrapped")
                   .arg(raise)
                   .arg(*first.value);
    else what = raise;
    return refuse(QStringLiteral("Capcode 1 %1 %2; nothing was written to this receiver. To go on, %3.")
                      .arg(first.text, capcode_holder_text(holder), what));
}

bool ProductionRun::record(const PagerTable& image, ReceiverResult result) {
    error_.clear();
    if (!registry_ || receiver_ == 0) return true;
    const FirstCapcode first = first_capcode(image);
    std::vector<qint64> own;
    if (first.value) own.push_back(*first.value);
    const qint64 receiver = receiver_;
    receiver_ = 0;
    if (registry_->finish(receiver, result, recorded_capcodes(image, own), written_image_sha256(image))) return true;
    return refuse(QStringLiteral("the receiver with capcode 1 %1 (%2) cannot be recorded in the registry %3: %4")
                      .arg(first.text, QString::fromLatin1(receiver_result_text(result)), options_.registry->text(),
                           registry_->error()));
}

bool ProductionRun::close() {
    bool ok = true;
    if (registry_) {
        // A receiver claimed but never recorded is marked stopped with the run.
        receiver_ = 0;
        ok = registry_->end_session();
        if (!ok) error_ = registry_->error();
        registry_.reset();
    }
    lock_.reset();
    return ok;
}

} // namespace qrt58
