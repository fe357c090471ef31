// For the start-up benchmark: once `window` has painted itself for the first
// time, prints the steady clock (nanoseconds since its epoch, the clock the
// benchmark started the process by) on standard output and ends the program.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

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
        auto* w = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && !seen_ && w && w->window() == window_) {
            seen_ = true;
            // After the paint has finished.
            QTimer::singleShot(0, watched, [] {
                const auto now = std::chrono::steady_clock::now().time_since_epoch();
                std::printf("%lld\n",
                            static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    QWidget* window_;
    bool seen_ = false;
};

} // namespace qrt58::widgets
