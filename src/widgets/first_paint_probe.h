// For the start-up benchmark: once `window` has painted itself for the first
// time, prints two readings of the steady clock (nanoseconds since its epoch,
// the clock the benchmark started the process by) on one line of standard
// output - when the window system first showed the window (mapped and
// exposed) and when its first paint had finished - and ends the program.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <cstdio>

namespace qrt58::widgets {

class FirstPaintProbe : public QObject {
public:
    explicit FirstPaintProbe(QWidget* window) : QObject(window), window_(window) {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !exposed_ && watched == window_->windowHandle() &&
            window_->windowHandle()->isExposed())
            exposed_ = now_ns();
        auto* w = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && !seen_ && w && w->window() == window_) {
            seen_ = true;
            // After the paint has finished.
            QTimer::singleShot(0, watched, [this] {
                const long long painted = now_ns();
                std::printf("%lld %lld\n", exposed_ ? exposed_ : painted, painted);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    static long long now_ns() {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
    }

    QWidget* window_;
    bool seen_ = false;
    long long exposed_ = 0;
};

} // namespace qrt58::widgets
