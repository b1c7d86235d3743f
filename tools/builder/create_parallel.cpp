// A plain pool: threads take the next item from a shared counter until none is left.
#include "tools/builder/create_parallel.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

void RunInParallel(const std::vector<size_t>& Order, int Jobs, const std::function<void(size_t)>& Work,
                   const std::function<void()>& Finished)
{
    std::atomic<size_t> Next{0};
    std::mutex FinishedLock;
    auto Worker = [&]() {
        for (size_t Taken = Next++; Taken < Order.size(); Taken = Next++) {
            Work(Order[Taken]);
            std::lock_guard<std::mutex> Hold(FinishedLock);
            Finished();
        }
    };
    size_t Threads = std::min<size_t>((size_t)(Jobs < 1 ? 1 : Jobs), Order.size());
    std::vector<std::thread> Pool;
    for (size_t i = 1; i < Threads; i++)
        Pool.emplace_back(Worker);
    Worker();
    for (std::thread& Thread : Pool)
        Thread.join();
}
