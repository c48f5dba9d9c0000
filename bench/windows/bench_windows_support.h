// What the benchmarks of the windows share: an image file of pseudo-random
// bytes, and a timer on the GUI thread that tells how late it came.
#pragma once

#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace sorrel::bench {

// Writes size pseudo-random bytes (xorshift64*), 1 MiB at a time.
inline void WriteImage(const QString& path, std::int64_t size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    std::uint64_t x = 0x9E3779B97F4A7C15u ^ static_cast<std::uint64_t>(size);
    constexpr std::int64_t MiB = 1 << 20;
    std::vector<std::uint64_t> block(MiB / 8);
    for (std::int64_t done = 0; done < size; done += MiB) {
        for (std::uint64_t& v : block) {
            x ^= x >> 12;
            x ^= x << 25;
            x ^= x >> 27;
            v = x * 0x2545F4914F6CDD1Du;
        }
        file.write(reinterpret_cast<const char*>(block.data()), MiB);
    }
    // On disk before anything is timed, so that writing it back does not
    // compete with the reads.
    file.flush();
    fsync(file.handle());
}

// A 10 ms timer on the GUI thread while it lives: the most any tick came late.
class TimerLateness {
  public:
    static constexpr qint64 IntervalNs = 10'000'000;
    TimerLateness() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            worst_ = std::max(worst_, now - last_ - IntervalNs);
            last_ = now;
        });
        timer_.setTimerType(Qt::PreciseTimer);
        clock_.start();
        timer_.start(10);
    }
    // Also the time since the last tick, for a wait that ends between ticks.
    double worstMs() const {
        return double(std::max(worst_, clock_.nsecsElapsed() - last_ - IntervalNs)) / 1e6;
    }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 worst_ = 0;
};

}  // namespace sorrel::bench
