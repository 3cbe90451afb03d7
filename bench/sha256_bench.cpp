// SHA-256 throughput of the platform's implementation, and what hashing a copy as it is
// written adds to a plain copy flushed to the disk, as keeping an original does. A plain
// program, so the same source measures the native build and the Windows build under Wine.
//
//   sha256_bench [MB hashed from memory, 256 by default] [MB copied, 200 by default]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/disk_file.h"
#include "base/sha256.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kMB = 1024 * 1024;
constexpr std::size_t kChunk = 64 * 1024;  // the store's copy buffer
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
    std::string buffer(kChunk, '\0');
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;) {
        if (std::fwrite(buffer.data(), 1, got, out.get()) != got)
            std::exit(1);
        if (hasher)
            hasher->Update(buffer.data(), got);
    }
    if (hasher)
        hasher->Finish();
    if (!base::CloseFlushed(std::move(out)))
        std::exit(1);
    return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t hashMB = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    const std::size_t copyMB = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200;

    base::Sha256 hasher;
    std::string block(kMB, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 131 + (i >> 9));
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        for (std::size_t done = 0; done < hashMB * kMB; done += kChunk)
            hasher.Update(block.data() + done % kMB, kChunk);
        hasher.Finish();
        best = std::min(best, Seconds(start));
    }
    std::printf("hash %zu MB from memory in 64 KB pieces: %.3f s, %.0f MB/s\n", hashMB, best, hashMB / best);

    const int hashers = 2000;
    auto start = Clock::now();
    for (int i = 0; i < hashers; ++i)
        base::Sha256().Finish();
    std::printf("a hasher made, finished and dropped: %.1f us\n", Seconds(start) * 1e6 / hashers);

    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "grenwick-sha256-bench";
    std::filesystem::create_directories(folder);
    const std::string source = (folder / "source.map").string();
    const std::string copy = (folder / "copy.map").string();
    {
        base::UniqueFile out{std::fopen(source.c_str(), "wb")};
        for (std::size_t i = 0; out && i < copyMB; ++i)
            std::fwrite(block.data(), 1, block.size(), out.get());
    }
    double plain = 1e9, hashed = 1e9;
    TimedCopy(source, copy, nullptr);  // warms the cache with the source
    for (int round = 0; round < kRounds; ++round) {
        plain = std::min(plain, TimedCopy(source, copy, nullptr));
        hashed = std::min(hashed, TimedCopy(source, copy, &hasher));
    }
    std::printf("copy %zu MB, flushed: plain %.3f s, hashed as written %.3f s, ratio %.2f\n", copyMB, plain, hashed,
                hashed / plain);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
