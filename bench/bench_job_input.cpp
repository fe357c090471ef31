// Job input figures: how long a job's rows take to read and check before the
// first receiver (100,000 rows, 100,000 columns), and how quickly a range that
// leaves the capcode limit is refused. Goal: each well under a second.
#include "cli_set.h"
#include "default_image.h"
#include "job_plan.h"

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <cstdio>
#include <ctime>

using namespace qrt58;

namespace {

double seconds_of(const std::function<void()>& fn) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double cpu_now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Wall and CPU time of `fn`: on a shared machine the wall time also holds the
// time other programs had the processor, the CPU time does not.
struct Timing {
    double wall = 0, cpu = 0;
};
Timing timing_of(const std::function<void()>& fn) {
    const double cpu0 = cpu_now();
    Timing t;
    t.wall = seconds_of(fn);
    t.cpu = cpu_now() - cpu0;
    return t;
}

ApplySettings rules() {
    return [](PagerTable& image, const std::vector<std::string>& assignments, std::string& error) {
        return cli::apply_assignments(image, assignments, error);
    };
}

void write_file(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

// Reads the rows file into `plan` and checks it, the two timed apart.
void read_and_check(JobPlan& plan, const QString& path, const QString& what) {
    std::size_t problems = 0;
    const Timing read = timing_of([&] { problems = plan_rows(plan, path).size(); });
    const Timing check = timing_of([&] { problems += check_job(plan, rules()).size(); });
    std::printf("  %s: read %.3f s (CPU %.3f s), checked %.3f s (CPU %.3f s), %zu problems\n", qPrintable(what),
                read.wall, read.cpu, check.wall, check.cpu, problems);
}

} // namespace

void job_input_figures() {
    constexpr int kRows = 100000;
    QTemporaryDir dir;
    std::printf("\nJob input, checked before the first receiver (goal: each well under a second)\n");

    QString error;
    std::size_t refused = 0;
    const double range_s = seconds_of([&] {
        for (int i = 0; i < 1000; ++i)
            refused += !parse_job_range(QStringLiteral("1:1000000:9223372036854775807"), &error).has_value();
    });
    std::printf("  --range 1:1000000:9223372036854775807 refused %zu of 1000 times: %.6f s each (%d characters)\n",
                refused, range_s / 1000, static_cast<int>(error.size()));

    JobPlan range;
    range.base = build_default_image();
    plan_range(range, {1000, kRows, 1});
    std::size_t problems = 0;
    const Timing range_check = timing_of([&] { problems = check_job(range, rules()).size(); });
    std::printf("  %d-receiver range: checked %.3f s (CPU %.3f s), %zu problems\n", kRows, range_check.wall,
                range_check.cpu, problems);

    QByteArray csv = "capcodes.1.capcode,prompts.1.text\n";
    for (int i = 0; i < kRows; ++i) csv += QByteArray::number(5000 + i) + ",ACME " + QByteArray::number(i % 1000) + '\n';
    const QString rows_path = dir.filePath(QStringLiteral("rows.csv"));
    write_file(rows_path, csv);
    JobPlan rows;
    rows.base = build_default_image();
    read_and_check(rows, rows_path, QStringLiteral("%1-row CSV").arg(kRows));

    // Every row has the same capcode: one problem per row after the first.
    QByteArray twice = "capcodes.1.capcode\n";
    for (int i = 0; i < kRows; ++i) twice += "7000\n";
    write_file(rows_path, twice);
    read_and_check(rows, rows_path, QStringLiteral("%1 rows with one capcode").arg(kRows));

    QByteArray wide = "capcodes.1.capcode";
    for (int i = 0; i < kRows; ++i) wide += ",x" + QByteArray::number(i);
    wide += "\n1000" + QByteArray(kRows, ',') + '\n';
    write_file(rows_path, wide);
    read_and_check(rows, rows_path, QStringLiteral("%1 columns").arg(kRows));
}
