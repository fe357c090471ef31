// Start-up: from the start of the process to its window being mapped (first
// shown by the window system) and to the end of the window's first paint,
// qrt58prog against an empty Qt window of the same size (this benchmark run
// with --empty-window), as the median of several starts of each, taken in
// turns. Each start uses fresh, empty settings and data folders.
#include "first_paint_probe.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kStarts = 9;
// The window's client size as designed, with room for the menu and status bars.
constexpr int kWindowWidth = 729, kWindowHeight = 545;

long long now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Start {
    double mapped_ms = -1, painted_ms = -1; // negative: not reported
};

// Milliseconds from starting `program` to its window being mapped and to its
// first paint.
Start start_ms(const QString& program, const QStringList& args, const QString& home) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("QRT58_SETTINGS"), home + QStringLiteral("/settings.ini"));
    env.insert(QStringLiteral("QRT58_STARTUP_PROBE"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    const long long started = now_ns();
    process.start(program, args);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    const QList<QByteArray> times = process.readAllStandardOutput().trimmed().split(' ');
    Start start;
    bool mapped_ok = false, painted_ok = false;
    const long long mapped = times.value(0).toLongLong(&mapped_ok);
    const long long painted = times.value(1).toLongLong(&painted_ok);
    if (times.size() == 2 && mapped_ok && painted_ok) {
        start.mapped_ms = static_cast<double>(mapped - started) / 1e6;
        start.painted_ms = static_cast<double>(painted - started) / 1e6;
    }
    return start;
}

double median(std::vector<Start> starts, double Start::*field) {
    std::vector<double> v;
    for (const Start& s : starts) v.push_back(s.*field);
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

bool all_reported(const std::vector<Start>& starts) {
    return std::all_of(starts.begin(), starts.end(), [](const Start& s) { return s.painted_ms >= 0; });
}

} // namespace

// The child of the comparison: an empty window of the main window's size.
int empty_window() {
    QWidget w;
    w.resize(kWindowWidth, kWindowHeight);
    new qrt58::widgets::FirstPaintProbe(&w);
    w.show();
    return QApplication::exec();
}

void startup_figures(const QString& self) {
    QTemporaryDir scratch;
    std::vector<Start> window, empty;
    // One start of each first, so that both find the libraries in the page cache.
    start_ms(QStringLiteral(QRT58PROG), {}, scratch.filePath(QStringLiteral("warm")));
    start_ms(self, {QStringLiteral("--empty-window")}, scratch.filePath(QStringLiteral("warm")));
    for (int i = 0; i < kStarts; ++i) {
        const QString home = scratch.filePath(QStringLiteral("run%1").arg(i));
        QDir().mkpath(home);
        window.push_back(start_ms(QStringLiteral(QRT58PROG), {}, home));
        empty.push_back(start_ms(self, {QStringLiteral("--empty-window")}, home));
    }
    if (!all_reported(window) || !all_reported(empty)) {
        std::printf("Start-up: a start did not paint its window\n");
        return;
    }
    std::printf("Start-up (%s), median of %d starts, window against an empty Qt window (goal: at most 1.2):\n",
                qPrintable(QGuiApplication::platformName()), kStarts);
    for (const auto& [what, field] :
         {std::pair{"mapped", &Start::mapped_ms}, std::pair{"first paint", &Start::painted_ms}}) {
        const double w = median(window, field), e = median(empty, field);
        std::printf("  %-12s window %6.1f ms, empty %6.1f ms, ratio %.2f\n", what, w, e, w / e);
    }
}
