#include "core/parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace tarvo {

namespace {

// One call's work, on the caller's stack; helpers reach it only while it is posted.
struct Job {
    const std::function<void(std::size_t)>* work = nullptr;
    std::size_t count = 0;
    std::atomic<std::size_t> next{0};
    std::size_t helpersInside = 0;  // under the pool's mutex
    std::exception_ptr failure;
    std::mutex failureMutex;

    void run() {
        for (std::size_t i = next++; i < count; i = next++) {
            try {
                (*work)(i);
            } catch (...) {
                const std::lock_guard lock(failureMutex);
                if (!failure) failure = std::current_exception();
            }
        }
    }
};

// Helper threads kept for the program's life (one fewer than the cores, at most three:
// the work split this way is a few milliseconds). One job is posted at a time; a call
// that finds one posted runs its work alone.
class HelperPool {
  public:
    HelperPool() {
        const unsigned cores = std::max(std::thread::hardware_concurrency(), 1u);
        const unsigned helpers = std::min(cores - 1, 3u);
        for (unsigned i = 0; i < helpers; ++i) threads_.emplace_back([this] { serve(); });
    }

    ~HelperPool() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        posted_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    HelperPool(const HelperPool&) = delete;
    HelperPool& operator=(const HelperPool&) = delete;

    std::size_t threads() const { return threads_.size() + 1; }

    // A call made while another job is posted (from one of its calls, or from another
    // thread) runs alone. A helper may post a job from inside another one: each job
    // counts the helpers inside it, so neither caller waits for the other's helpers.
    void run(Job& job) {
        {
            std::unique_lock lock(mutex_);
            if (threads_.empty() || job_) {
                lock.unlock();
                job.run();
                return;
            }
            job_ = &job;
            ++generation_;
        }
        posted_.notify_all();
        job.run();
        // Every index is taken: no helper may join any more; wait for those inside.
        std::unique_lock lock(mutex_);
        job_ = nullptr;
        left_.wait(lock, [&job] { return job.helpersInside == 0; });
    }

  private:
    void serve() {
        std::uint64_t seen = 0;
        std::unique_lock lock(mutex_);
        for (;;) {
            posted_.wait(lock, [&] { return stopping_ || (job_ && generation_ != seen); });
            if (stopping_) return;
            seen = generation_;
            Job* job = job_;
            ++job->helpersInside;
            lock.unlock();
            job->run();
            lock.lock();
            if (--job->helpersInside == 0) left_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable posted_;
    std::condition_variable left_;
    Job* job_ = nullptr;
    std::uint64_t generation_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

HelperPool& helperPool() {
    static HelperPool pool;
    return pool;
}

}  // namespace

void forEachInParallel(std::size_t count, const std::function<void(std::size_t)>& work) {
    if (count == 0) return;
    Job job;
    job.work = &work;
    job.count = count;
    if (count == 1) {
        job.run();
    } else {
        helperPool().run(job);
    }
    if (job.failure) std::rethrow_exception(job.failure);
}

std::size_t parallelThreads() {
    return helperPool().threads();
}

}  // namespace tarvo
