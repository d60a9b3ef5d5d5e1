// Fails a stress test that hangs: if the watchdog is still alive after its limit, it prints
// what it guarded and aborts the process (the sanitizers and ctest then report the hang).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace orvstress
{

class Watchdog
{
public:
    Watchdog(std::chrono::seconds limit, std::string what) : what_(std::move(what))
    {
        thread_ = std::thread(
            [this, limit]
            {
                std::unique_lock<std::mutex> lock(mutex_);
                if (!released_.wait_for(lock, limit, [this] { return done_; }))
                {
                    std::fprintf(stderr, "watchdog: %s still running after %lld s, aborting\n",
                                 what_.c_str(), static_cast<long long>(limit.count()));
                    std::abort();
                }
            });
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        released_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::string what_;
    std::mutex mutex_;
    std::condition_variable released_;
    bool done_ = false;
    std::thread thread_;
};

} // namespace orvstress
