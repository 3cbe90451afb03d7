// Steps that must end on their own, waited for a few seconds at most.
#pragma once

#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <string>

namespace testing_support {

// Runs `step`, waiting a few seconds at most: a refused device or pipe must never be read.
// On time-out a writer opens `pipe`, which ends a read waiting on that named pipe.
inline bool FinishesInTime(const std::function<void()>& step, const std::string& pipe) {
    auto done = std::async(std::launch::async, step);
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready)
        return true;
#ifndef _WIN32
    std::ofstream(pipe) << "\n";
#else
    (void)pipe;
#endif
    done.wait();
    return false;
}

}  // namespace testing_support
