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

using namespace qrt58;

namespace {

double seconds_of(const std::function<void()>& fn) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
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
    const double range_check_s = seconds_of([&] { problems = check_job(range, rules()).size(); });
    std::printf("  %d-receiver range checked: %.3f s (%zu problems)\n", kRows, range_check_s, problems);

    QByteArray csv = "capcodes.1.capcode,prompts.1.text\n";
    for (int i = 0; i < kRows; ++i) csv += QByteArray::number(5000 + i) + ",ACME " + QByteArray::number(i % 1000) + '\n';
    const QString rows_path = dir.filePath(QStringLiteral("rows.csv"));
    write_file(rows_path, csv);
    JobPlan rows;
    rows.base = build_default_image();
    const double rows_s = seconds_of([&] {
        problems = plan_rows(rows, rows_path).size();
        problems += check_job(rows, rules()).size();
    });
    std::printf("  %d-row CSV read and checked: %.3f s (%zu problems)\n", kRows, rows_s, problems);

    // Every row has the same capcode: one problem per row after the first.
    QByteArray twice = "capcodes.1.capcode\n";
    for (int i = 0; i < kRows; ++i) twice += "7000\n";
    write_file(rows_path, twice);
    const double twice_s = seconds_of([&] {
        problems = plan_rows(rows, rows_path).size();
        problems += check_job(rows, rules()).size();
    });
    std::printf("  %d rows with one capcode: %.3f s (%zu problems)\n", kRows, twice_s, problems);

    QByteArray wide = "capcodes.1.capcode";
    for (int i = 0; i < kRows; ++i) wide += ",x" + QByteArray::number(i);
    wide += "\n1000" + QByteArray(kRows, ',') + '\n';
    write_file(rows_path, wide);
    const double wide_s = seconds_of([&] {
        problems = plan_rows(rows, rows_path).size();
        problems += check_job(rows, rules()).size();
    });
    std::printf("  %d columns read and checked: %.3f s (%zu problems)\n", kRows, wide_s, problems);
}
