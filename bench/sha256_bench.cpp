// SHA-256 throughput of the platform's implementation, and what hashing a copy as it is
// written adds to a plain copy flushed to the disk, as keeping an original does. A plain
// program, so the same source measures the native build and the Windows build under Wine.
//
//   sha256_bench [MB hashed from memory, 256 by default] [MB copied, 200 by default]
//                [copy buffer in KB, 64 by default]
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/files_native.h"
#include "base/sha256.h"

#ifdef _WIN32
#include <windows.h>

#include <bcrypt.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kMB = 1024 * 1024;
std::size_t chunk = 64 * 1024;  // the store's copy buffer
constexpr int kRounds = 3;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Copies `from` to `to` in the store's chunks, flushed to the disk at the end; hashes
// every chunk as it is written when `hasher` is given.
double TimedCopy(const std::string& from, const std::string& to, base::Sha256* hasher) {
    const auto start = Clock::now();
    base::UniqueFile in{std::fopen(from.c_str(), "rb")};
    base::UniqueFile out{std::fopen(to.c_str(), "wb")};
    if (!in || !out)
        std::exit(1);
    std::string buffer(chunk, '\0');
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;) {
        if (std::fwrite(buffer.data(), 1, got, out.get()) != got)
            std::exit(1);
        if (hasher)
            hasher->Update(buffer.data(), got);
    }
    if (hasher)
        hasher->Finish();
    if (!base::native::CloseFlushed(std::move(out), to))
        std::exit(1);
    return Seconds(start);
}

// The same copy with each chunk hashed on a second thread while the next one is read and
// written: two buffers, each handed over once written and reused once hashed.
double TimedCopyHashedAside(const std::string& from, const std::string& to, base::Sha256& hasher) {
    const auto start = Clock::now();
    base::UniqueFile in{std::fopen(from.c_str(), "rb")};
    base::UniqueFile out{std::fopen(to.c_str(), "wb")};
    if (!in || !out)
        std::exit(1);
    std::string buffers[2] = {std::string(chunk, '\0'), std::string(chunk, '\0')};
    std::mutex mutex;
    std::condition_variable changed;
    const std::string* pending = nullptr;
    std::size_t pendingSize = 0;
    bool finished = false;
    std::thread worker([&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return pending || finished; });
            if (!pending)
                return;
            lock.unlock();
            hasher.Update(pending->data(), pendingSize);
            lock.lock();
            pending = nullptr;
            changed.notify_all();
        }
    });
    const auto handOver = [&](const std::string* buffer, std::size_t size) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return !pending; });
        pending = buffer;
        pendingSize = size;
        finished = !buffer;
        changed.notify_all();
    };
    int current = 0;
    for (std::size_t got; (got = std::fread(buffers[current].data(), 1, chunk, in.get())) > 0; current ^= 1) {
        if (std::fwrite(buffers[current].data(), 1, got, out.get()) != got)
            std::exit(1);
        handOver(&buffers[current], got);
    }
    handOver(nullptr, 0);
    worker.join();
    hasher.Finish();
    if (!base::native::CloseFlushed(std::move(out), to))
        std::exit(1);
    return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t hashMB = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    const std::size_t copyMB = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200;
    if (argc > 3)
        chunk = std::strtoul(argv[3], nullptr, 10) * 1024;

    base::Sha256 hasher;
    std::string block(kMB, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 131 + (i >> 9));
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        for (std::size_t done = 0; done < hashMB * kMB; done += chunk)
            hasher.Update(block.data() + done % kMB, std::min(chunk, kMB - done % kMB));
        hasher.Finish();
        best = std::min(best, Seconds(start));
    }
    std::printf("hash %zu MB from memory in %zu KB pieces: %.3f s, %.0f MB/s\n", hashMB, chunk / 1024, best, hashMB / best);

    const int hashers = 2000;
    auto start = Clock::now();
    for (int i = 0; i < hashers; ++i)
        base::Sha256().Finish();
    std::printf("a hasher made, finished and dropped: %.1f us\n", Seconds(start) * 1e6 / hashers);
#ifdef _WIN32
    // What a hasher would add if each opened the algorithm itself instead of sharing one.
    start = Clock::now();
    for (int i = 0; i < hashers; ++i) {
        BCRYPT_ALG_HANDLE provider = nullptr;
        if (BCryptOpenAlgorithmProvider(&provider, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0)
            return 1;
        BCryptCloseAlgorithmProvider(provider, 0);
    }
    std::printf("the algorithm opened and closed: %.1f us\n", Seconds(start) * 1e6 / hashers);
#endif

    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "grenwick-sha256-bench";
    std::filesystem::create_directories(folder);
    const std::string source = (folder / "source.map").string();
    const std::string copy = (folder / "copy.map").string();
    {
        base::UniqueFile out{std::fopen(source.c_str(), "wb")};
        for (std::size_t i = 0; out && i < copyMB; ++i)
            std::fwrite(block.data(), 1, block.size(), out.get());
    }
    double plain = 1e9, hashed = 1e9, aside = 1e9;
    TimedCopy(source, copy, nullptr);  // warms the cache with the source
    for (int round = 0; round < kRounds; ++round) {
        plain = std::min(plain, TimedCopy(source, copy, nullptr));
        hashed = std::min(hashed, TimedCopy(source, copy, &hasher));
        aside = std::min(aside, TimedCopyHashedAside(source, copy, hasher));
    }
    std::printf("copy %zu MB in %zu KB pieces, flushed: plain %.3f s\n", copyMB, chunk / 1024, plain);
    std::printf("  hashed as written: %.3f s, ratio %.2f\n", hashed, hashed / plain);
    std::printf("  hashed on a second thread: %.3f s, ratio %.2f\n", aside, aside / plain);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
