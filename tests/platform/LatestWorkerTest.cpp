// The "newest result only" worker: a newer job silences the older one, a
// stopped job still delivers, a cancelled one never does, and a job that
// raises ends without a delivery.
#include "LatestWorker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using platform::LatestWorker;

namespace {

bool settled(const LatestWorker &worker)
{
    QElapsedTimer clock;
    clock.start();
    while (worker.busy() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return !worker.busy();
}

TEST(LatestWorker, OnlyTheNewestJobReachesTheWindow)
{
    LatestWorker worker;
    std::atomic<bool> release{false};
    std::vector<int> seen; // posts: value; deliveries: 100 + value, negative when stopped
    // A job that posts its value, waits for the release (or a request to
    // stop) when asked to, and hands its value back.
    const auto job = [&](int value, bool waits) {
        return [&, value, waits](const LatestWorker::Job &self) -> LatestWorker::Delivery {
            self.post([&, value] { seen.push_back(value); });
            while (waits && !release && !self.stopRequested())
                std::this_thread::yield();
            return [&, value](bool stopped) { seen.push_back(stopped ? -(100 + value) : 100 + value); };
        };
    };

    worker.start(job(1, true));
    worker.start(job(2, false)); // the first is asked to stop, and silenced
    ASSERT_TRUE(settled(worker));
    EXPECT_EQ(seen, (std::vector<int>{2, 102}));

    seen.clear();
    worker.start(job(3, true));
    worker.stop(); // stopped, it still delivers, and says so
    ASSERT_TRUE(settled(worker));
    EXPECT_EQ(seen, (std::vector<int>{3, -103}));

    seen.clear();
    worker.start(job(4, true));
    worker.cancel(); // waited for at once; nothing of it arrives later
    EXPECT_FALSE(worker.busy());
    QCoreApplication::processEvents();
    EXPECT_TRUE(seen.empty());

    worker.start([](const LatestWorker::Job &) -> LatestWorker::Delivery { throw std::runtime_error("no memory"); });
    ASSERT_TRUE(settled(worker));
    EXPECT_TRUE(seen.empty());
}

} // namespace
