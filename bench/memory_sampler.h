#pragma once
// The benchmarks' view of a server process's memory.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

// Samples the server's private memory (resident minus shared) while it runs.
class MemorySampler {
public:
    explicit MemorySampler(pid_t pid) : pid_(pid), thread_([this] { run(); }) {}
    ~MemorySampler()
    {
        stop_ = true;
        thread_.join();
    }
    double takePeakMiB() { return static_cast<double>(peak_.exchange(0)) / (1024.0 * 1024.0); }
    double nowMiB() const { return static_cast<double>(sample()) / (1024.0 * 1024.0); }

private:
    long long sample() const
    {
        std::ifstream statm("/proc/" + std::to_string(pid_) + "/statm");
        long long size = 0, resident = 0, shared = 0;
        if (!(statm >> size >> resident >> shared)) return 0;
        return (resident - shared) * ::sysconf(_SC_PAGESIZE);
    }
    void run()
    {
        while (!stop_) {
            long long value = sample();
            long long peak = peak_.load();
            while (value > peak && !peak_.compare_exchange_weak(peak, value)) {}
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    }
    pid_t pid_;
    std::atomic<bool> stop_{false};
    std::atomic<long long> peak_{0};
    std::thread thread_;
};
