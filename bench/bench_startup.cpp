// Start-up: from the start of the process to the first paint of its window,
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

// Milliseconds from starting `program` to its first paint; negative when it
// did not report one.
double first_paint_ms(const QString& program, const QStringList& args, const QString& home) {
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
        return -1;
    }
    bool ok = false;
    const long long painted = process.readAllStandardOutput().trimmed().toLongLong(&ok);
    return ok ? static_cast<double>(painted - started) / 1e6 : -1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
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
    std::vector<double> window, empty;
    // One start of each first, so that both find the libraries in the page cache.
    first_paint_ms(QStringLiteral(QRT58PROG), {}, scratch.filePath(QStringLiteral("warm")));
    first_paint_ms(self, {QStringLiteral("--empty-window")}, scratch.filePath(QStringLiteral("warm")));
    for (int i = 0; i < kStarts; ++i) {
        const QString home = scratch.filePath(QStringLiteral("run%1").arg(i));
        QDir().mkpath(home);
        window.push_back(first_paint_ms(QStringLiteral(QRT58PROG), {}, home));
        empty.push_back(first_paint_ms(self, {QStringLiteral("--empty-window")}, home));
    }
    if (std::count(window.begin(), window.end(), -1.0) || std::count(empty.begin(), empty.end(), -1.0)) {
        std::printf("Start-up: a start did not paint its window\n");
        return;
    }
    const double w = median(window), e = median(empty);
    std::printf("Start-up to the first paint (%s), median of %d starts: window %.1f ms, empty Qt window %.1f ms, "
                "ratio %.2f (goal: at most 1.2)\n",
                qPrintable(QGuiApplication::platformName()), kStarts, w, e, w / e);
}
