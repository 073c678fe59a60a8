#include "base/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace calyra {
namespace {

int DefaultThreads() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(std::min(n, 64u));
}

class WorkerPool {
  public:
    ~WorkerPool() { Resize(0); }

    // Starts or stops workers so that `helpers` threads help the caller.
    void Resize(int helpers) {
        if (helpers == static_cast<int>(threads_.size())) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            Publish();
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
        threads_.clear();
        stopping_ = false;
        // Each worker starts from the generation current now, so a Run that
        // begins before the thread first looks is not missed.
        for (int i = 0; i < helpers; ++i) {
            threads_.emplace_back([this, start = generation_] { Work(start); });
        }
    }

    void Run(std::int32_t count, const std::function<void(std::int32_t)>& body) {
        if (threads_.empty() || count <= 1) {
            for (std::int32_t i = 0; i < count; ++i) body(i);
            return;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        body_ = &body;
        count_ = count;
        next_.store(0);
        active_ = static_cast<int>(threads_.size());
        Publish();
        lock.unlock();
        wake_.notify_all();
        Drain();
        SpinWhile([this] { return active_.load(std::memory_order_acquire) != 0; });
        lock.lock();
        done_.wait(lock, [this] { return active_ == 0; });
        body_ = nullptr;
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    }

    int Helpers() const { return static_cast<int>(threads_.size()); }

    // Threads a loop uses, the caller included.
    std::atomic<int> requested{DefaultThreads()};
    // The pool serves one loop at a time.
    std::atomic<bool> taken{false};

  private:
    // A body that throws (memory that ran short) ends the loop: the indices
    // left are given up and the caller gets the exception, as if the loop
    // had run on its thread alone; a worker thread must never end with one.
    void Drain() {
        for (;;) {
            const std::int32_t i = next_.fetch_add(1);
            if (i >= count_) return;
            try {
                (*body_)(i);
            } catch (...) {
                next_.store(count_);
                std::lock_guard<std::mutex> lock(failureMutex_);
                if (!failure_) failure_ = std::current_exception();
            }
        }
    }

    void Work(std::uint64_t seen) {
        for (;;) {
            SpinWhile([&] { return published_.load(std::memory_order_acquire) == seen; });
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return generation_ != seen; });
            seen = generation_;
            if (stopping_) return;
            lock.unlock();
            Drain();
            lock.lock();
            if (--active_ == 0) done_.notify_one();
        }
    }

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void(std::int32_t)>* body_ = nullptr;
    std::int32_t count_ = 0;
    std::atomic<std::int32_t> next_{0};
    std::atomic<int> active_{0};
    std::mutex failureMutex_;
    std::exception_ptr failure_;  // the first a body threw in this loop
    std::uint64_t generation_ = 0;
    // generation_ for the short spins, which read it without the lock.
    std::atomic<std::uint64_t> published_{0};

    // A new generation, with the lock held.
    void Publish() {
        ++generation_;
        published_.store(generation_, std::memory_order_release);
    }

    // Waits a little while `busy` holds before the caller blocks: a render
    // runs several parallel loops in a row, and a thread woken from its
    // sleep takes longer to start than one still looking.
    template <typename Busy>
    static void SpinWhile(Busy busy) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(300);
        while (busy() && std::chrono::steady_clock::now() < until) std::this_thread::yield();
    }
    bool stopping_ = false;
};

// The one pool of the process: its threads serve every render and build.
WorkerPool& Pool() {
    static WorkerPool pool;
    return pool;
}

}  // namespace

void SetWorkerThreads(int count) {
    Pool().requested = std::clamp(count, 1, 64);
}

int WorkerThreads() {
    return Pool().requested;
}

void ParallelFor(std::int32_t count, const std::function<void(std::int32_t)>& body) {
    // The pool serves one loop at a time: a loop begun while another thread's
    // loop holds it (a live frame while the window thread draws slices, say)
    // runs on its caller alone, as do loops nested in a body. Results do not
    // depend on the number of threads.
    WorkerPool& pool = Pool();
    if (pool.taken.exchange(true, std::memory_order_acquire)) {
        for (std::int32_t i = 0; i < count; ++i) body(i);
        return;
    }
    struct Release {
        std::atomic<bool>& taken;
        ~Release() { taken.store(false, std::memory_order_release); }
    } release{pool.taken};
    pool.Resize(pool.requested.load() - 1);
    pool.Run(count, body);
}

}  // namespace calyra
