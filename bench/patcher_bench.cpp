// Applying a PPF patch of many records with the real ApplyPPF3 program, beside the floor of
// writing the same bytes at the same offsets with plain file writes; and the program's peak
// memory, which must not grow with the file.
//
//   patcher_bench [file size in MB, 256 by default] [records, 100000 by default]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/unique_file.h"

extern char** environ;

namespace {

constexpr int kRounds = 9;

struct Record {
    std::uint64_t offset;
    std::string bytes;
};

std::string LittleEndian(std::uint64_t value, int size) {
    std::string bytes;
    for (int i = 0; i < size; ++i, value >>= 8)
        bytes += static_cast<char>(value & 0xFF);
    return bytes;
}

void WriteTarget(const std::string& path, std::uint64_t size) {
    base::UniqueFile file{std::fopen(path.c_str(), "wb")};
    std::string chunk(1 << 20, '\0');
    for (std::size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = static_cast<char>(i * 7);
    for (std::uint64_t written = 0; file && written < size; written += chunk.size())
        std::fwrite(chunk.data(), 1, chunk.size(), file.get());
    if (!file || std::fclose(file.release()) != 0)
        throw std::runtime_error("cannot write " + path);
}

// PPF 3.0 without block check or undo data; records of 1 to 64 bytes anywhere in the file.
std::vector<Record> WritePatch(const std::string& path, std::uint64_t fileSize, std::size_t count) {
    std::mt19937_64 random(11);
    std::vector<Record> records(count);
    std::string patch = "PPF30" + std::string(1, '\2') + std::string(50, ' ') + std::string(4, '\0');
    for (Record& record : records) {
        record.bytes.assign(1 + random() % 64, static_cast<char>('A' + random() % 26));
        record.offset = random() % (fileSize - record.bytes.size());
        patch += LittleEndian(record.offset, 8) + static_cast<char>(record.bytes.size()) + record.bytes;
    }
    base::UniqueFile file{std::fopen(path.c_str(), "wb")};
    if (!file || std::fwrite(patch.data(), 1, patch.size(), file.get()) != patch.size())
        throw std::runtime_error("cannot write " + path);
    return records;
}

// One system call per record, the least any program can do.
double Floor(const std::string& path, const std::vector<Record>& records) {
    const auto start = std::chrono::steady_clock::now();
    const int file = open(path.c_str(), O_RDWR);
    if (file < 0)
        throw std::runtime_error("cannot open " + path);
    for (const Record& record : records)
        if (pwrite(file, record.bytes.data(), record.bytes.size(), static_cast<off_t>(record.offset)) !=
            static_cast<ssize_t>(record.bytes.size()))
            throw std::runtime_error("floor write failed");
    if (close(file) != 0)
        throw std::runtime_error("floor close failed");
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Runs the real program; its time, and its peak resident memory in KiB.
double Patcher(const std::string& target, const std::string& patch, long& peakKiB) {
    std::string program = GRENWICK_PATCHER_PATH, command = "a", file = target, patchPath = patch;
    char* args[] = {program.data(), command.data(), file.data(), patchPath.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), &actions, nullptr, args, environ) != 0)
        throw std::runtime_error("cannot start " + program);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the patcher failed");
    peakKiB = std::max(peakKiB, usage.ru_maxrss);
    return ms;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t fileSize = (argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256) << 20;
    const std::size_t count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100000;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("patcher-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string target = (dir / "target.map").string(), patch = (dir / "patch.ppf").string();
    try {
        WriteTarget(target, fileSize);
        const std::vector<Record> records = WritePatch(patch, fileSize, count);
        std::vector<double> floors, patchers;
        long peakKiB = 0;
        for (int round = 0; round < kRounds; ++round) {
            // Alternating which goes first evens out what the page cache gives either.
            if (round % 2)
                floors.push_back(Floor(target, records));
            patchers.push_back(Patcher(target, patch, peakKiB));
            if (round % 2 == 0)
                floors.push_back(Floor(target, records));
        }
        std::printf("file %llu MB, %zu records, patch %llu bytes\n", static_cast<unsigned long long>(fileSize >> 20),
                    count, static_cast<unsigned long long>(std::filesystem::file_size(patch)));
        std::printf("floor (one pwrite per record): %.1f ms (median of %d)\n", Median(floors), kRounds);
        std::printf("ApplyPPF3 a (whole program):   %.1f ms (median of %d), ratio %.2f\n", Median(patchers), kRounds,
                    Median(patchers) / Median(floors));
        std::printf("ApplyPPF3 peak resident memory: %ld KiB\n", peakKiB);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "patcher_bench: %s\n", error.what());
        std::filesystem::remove_all(dir);
        return 1;
    }
    std::filesystem::remove_all(dir);
    return 0;
}
