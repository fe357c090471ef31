// A job: the base table file plus the receivers to make, either a range of
// values for capcode 1 or one CSV row per receiver whose header names `set`
// settings. Every receiver is applied to the base image and checked before
// any is programmed; problems carry the line they come from.
#pragma once

#include "capcode.h"
#include "pager_table.h"
#include "registry.h"

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qrt58 {

// `qrt58cli set`'s rules on an image: applies NAME=VALUE assignments, 0 when all
// were accepted, 2 for a name that is no setting, 1 for a refused value, with
// the reason in `error`.
using ApplySettings =
    std::function<int(PagerTable& image, const std::vector<std::string>& assignments, std::string& error)>;

struct JobRange {
    qint64 first = 0;
    int count = 0;
    qint64 step = 1;
};
// "FIRST:COUNT[:STEP]", every part a whole number, COUNT and STEP 1 or more,
// and no value past `limit` (the largest capcode capcode 1 takes, see
// range_limit; by default the largest capcode of a long pair).
std::optional<JobRange> parse_job_range(const QString& text, QString* error = nullptr,
                                        qint64 limit = static_cast<qint64>(kLongLimit));
// The largest capcode capcode 1 of `base` takes (short or long pair).
qint64 range_limit(const PagerTable& base);

struct JobReceiver {
    int line = 0;                      // CSV line (1 = the header) or range number
    std::vector<std::string> settings; // NAME=VALUE
    std::vector<int> own_slots;        // capcode slots (0-based) the receiver sets
    std::vector<qint64> capcodes;      // their values, as stored (check_job fills them)
};

struct JobProblem {
    int line = 0;
    QString text;
};

struct JobPlan {
    QString name;
    PagerTable base{};
    QString source; // the CSV file, empty for a range
    std::vector<JobReceiver> receivers;

    // "ROWS.csv line 7" or "receiver 7 of the range".
    QString where(int line) const;
    // Receiver `index` (0-based) as the registry numbers it: "receiver 3 of 5
    // of job NAME", with its line for a CSV file ("... (ROWS.csv line 4)").
    QString numbered(std::size_t index) const;
};

// One receiver per value of the range.
void plan_range(JobPlan& plan, const JobRange& range);
// One receiver per CSV row of `path`; problems of the file itself (unreadable,
// bad quoting, a row with another number of fields, no capcode column).
std::vector<JobProblem> plan_rows(JobPlan& plan, const QString& path);

// Applies every receiver to the base image: refused values, unknown settings,
// a receiver without a capcode of its own and capcodes given twice in the job
// are problems. Fills each receiver's capcodes.
std::vector<JobProblem> check_job(JobPlan& plan, const ApplySettings& apply);

// The image of receiver `index` (applies its settings to the base).
std::optional<PagerTable> receiver_image(const JobPlan& plan, std::size_t index, const ApplySettings& apply,
                                         std::string* error = nullptr);

// Every capcode the receiver answers to: the enabled, usable slots, in slot order.
std::vector<qint64> programmed_capcodes(const PagerTable& image);

// What the registry records as the capcodes of a receiver programmed with
// `image`: those it answers to, then its own capcodes (`own`) that are not
// among them (a slot the image leaves disabled is still the receiver's).
std::vector<qint64> recorded_capcodes(const PagerTable& image, const std::vector<qint64>& own);

// What the registry stores of the job.
JobSpec job_spec(const JobPlan& plan);

// SHA-256 (hex) of the bytes a write leaves in the receiver.
QString written_image_sha256(const PagerTable& image);

} // namespace qrt58
