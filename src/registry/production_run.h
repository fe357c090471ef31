// One production run outside jobs: the window's production station or
// `qrt58cli write --count`, programming receiver after receiver with capcode 1
// raised after each. The table file that keeps capcode 1 is locked for the
// whole run; each receiver's own capcode is claimed in the production registry
// before the receiver is programmed and its result recorded after, as jobs do,
// so that no path programs a capcode another path has.
//
//   ProductionRun run(options);
//   if (!run.open()) ...                 // the file's lock, the registry
//   for each receiver:
//       if (!run.claim(image)) ...       // refused: nothing is written
//       program it; run.record(image, result);
//   run.close();                         // or the destructor
#pragma once

#include "file_lock.h"
#include "pager_table.h"
#include "production_log.h"
#include "registry.h"

#include <QString>
#include <memory>
#include <optional>

namespace qrt58 {

// The registry's result for a production log's result of one receiver.
ReceiverResult registry_result(ProductionResult result);

struct ProductionRunOptions {
    QString file;                             // the table file that keeps capcode 1
    std::optional<RegistryLocation> registry; // nullopt: this run goes without the registry
    QString station, host;                    // the station's name in the registry, its host
    QString board;                            // the board, as --board names it
};

class ProductionRun {
public:
    explicit ProductionRun(ProductionRunOptions options);
    ~ProductionRun();
    ProductionRun(const ProductionRun&) = delete;
    ProductionRun& operator=(const ProductionRun&) = delete;

    // Locks the table file: refused when another run holds it (the reason
    // names that process). False with the reason in error().
    bool lock();
    // Before the first receiver: locks the table file (when not yet) and opens
    // the registry: the station's run, receivers of stations that are gone
    // marked died. False with the reason in error().
    bool open();
    // Before a receiver programmed with `image`: claims its capcode 1. False
    // with the reason in error(): for a capcode that is taken, when, where and
    // on which board, and what to do. Nothing may be written then.
    bool claim(const PagerTable& image);
    // After the receiver claimed last: its result, every capcode programmed
    // into it and the digest of the image written. False with error().
    bool record(const PagerTable& image, ReceiverResult result);
    // Ends the run: a receiver claimed but not recorded counts as stopped;
    // the file's lock is given back.
    bool close();

    bool uses_registry() const { return options_.registry.has_value(); }
    const QString& error() const { return error_; }
    const ProductionRunOptions& options() const { return options_; }

private:
    bool refuse(const QString& why);

    ProductionRunOptions options_;
    std::unique_ptr<FileLock> lock_;
    std::unique_ptr<Registry> registry_;
    qint64 receiver_ = 0; // claimed, not recorded yet
    QString error_;
};

} // namespace qrt58
