#pragma once
// Work shared out over the machine's cores, used by the codecs and by the
// pixel library's filters.
#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace codecs {

// How many threads to share work between: the cores, from 1 to 8.
inline int workerCount()
{
    return std::clamp(int(std::thread::hardware_concurrency()), 1, 8);
}

// Runs work(0 .. count - 1) on as many threads (0 on the calling one) and
// waits for all; the first exception any of them raised is raised again here.
template <typename Work> void runTogether(int count, const Work &work)
{
    std::exception_ptr failure;
    std::mutex failureLock;
    const auto guarded = [&](int index) {
        try {
            work(index);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(failureLock);
            if (!failure)
                failure = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> threads;
        for (int index = 1; index < count; ++index)
            threads.emplace_back(guarded, index);
        guarded(0);
    }
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace codecs
