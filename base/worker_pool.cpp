#include "base/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace calyra {
namespace {

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
    }

    int Helpers() const { return static_cast<int>(threads_.size()); }

  private:
    void Drain() {
        for (;;) {
            const std::int32_t i = next_.fetch_add(1);
            if (i >= count_) return;
            (*body_)(i);
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

int DefaultThreads() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(std::min(n, 64u));
}

WorkerPool& Pool() {
    static WorkerPool pool;
    return pool;
}

int& RequestedThreads() {
    static int threads = DefaultThreads();
    return threads;
}

}  // namespace

void SetWorkerThreads(int count) {
    RequestedThreads() = std::clamp(count, 1, 64);
}

int WorkerThreads() {
    return RequestedThreads();
}

void ParallelFor(std::int32_t count, const std::function<void(std::int32_t)>& body) {
    // The pool serves one loop at a time: a loop begun while another thread's
    // loop holds it (a live frame while the window thread draws slices, say)
    // runs on its caller alone, as do loops nested in a body. Results do not
    // depend on the number of threads.
    static std::atomic<bool> taken{false};
    if (taken.exchange(true, std::memory_order_acquire)) {
        for (std::int32_t i = 0; i < count; ++i) body(i);
        return;
    }
    struct Release {
        ~Release() { taken.store(false, std::memory_order_release); }
    } release;
    WorkerPool& pool = Pool();
    pool.Resize(RequestedThreads() - 1);
    pool.Run(count, body);
}

}  // namespace calyra
