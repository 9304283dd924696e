// Container speed and memory: encryption and decryption of a large file against a plain `cp` of the
// same file in the same run, plus the keystream alone. Environment: VEROLIN_BENCH_MIB (file size,
// default 512), VEROLIN_BENCH_DIR (folder for the files, default the system's temporary folder).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "crypto/container_format.h"
#include "crypto/crypto.h"

namespace {

namespace fs = std::filesystem;
using verolin::crypto::kTransferPassword;

std::uint64_t fileBytes() {
  const char* mib = std::getenv("VEROLIN_BENCH_MIB");
  return (mib != nullptr ? std::strtoull(mib, nullptr, 10) : 512) << 20;
}

fs::path benchFolder() {
  const char* dir = std::getenv("VEROLIN_BENCH_DIR");
  static const fs::path folder = fs::path(dir != nullptr ? dir : fs::temp_directory_path().string()) /
                                 ("verolin-bench-" + std::to_string(::getpid()));
  return folder;
}

// The source file, written once in 1 MiB pieces (so the benchmark itself never holds it).
const fs::path& source() {
  static const fs::path path = [] {
    fs::create_directories(benchFolder());
    const fs::path p = benchFolder() / "big.doc";
    std::ofstream out(p, std::ios::binary);
    std::vector<char> chunk(1 << 20);
    unsigned x = 12345;
    for (std::uint64_t written = 0; written < fileBytes(); written += chunk.size()) {
      for (char& c : chunk) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
      out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    }
    return p;
  }();
  return path;
}

double seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Peak resident memory in MiB: of this process, and of the children it ran (cp).
double peakRssMib(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// CPU seconds (user and system) used so far by this process or by the children it waited for.
double cpuSeconds(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  const auto toSeconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
}

// Best and median wall time and mean CPU time of one cp, measured first. The container operations
// report theirs against them: the best of several runs is the wall figure least disturbed by other work
// on the machine, the median is not moved by one slow run (the first of each series usually is), and
// CPU time is steadier still when the machine is busy.
double copyBest = 0;
double copyMedian = 0;
double copyCpu = 0;

// Times `operation` alone; `target` is removed and the disk synced before each run, outside the timing.
template <typename Operation>
void timeFileOperation(benchmark::State& state, const fs::path& target, Operation operation, bool isCopy) {
  const int who = isCopy ? RUSAGE_CHILDREN : RUSAGE_SELF;
  std::vector<double> times;
  double cpuTotal = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(target);
    // Every run starts from clean pages, so that none pays for the writeback of the ones before it.
    ::sync();
    state.ResumeTiming();
    const double cpuStart = cpuSeconds(who);
    const auto start = std::chrono::steady_clock::now();
    operation();
    const double elapsed = seconds(std::chrono::steady_clock::now() - start);
    cpuTotal += cpuSeconds(who) - cpuStart;
    state.SetIterationTime(elapsed);
    times.push_back(elapsed);
  }
  std::sort(times.begin(), times.end());
  const double best = times.front();
  const double median = times[times.size() / 2];
  const double cpu = cpuTotal / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes()));
  state.counters["best_ms"] = best * 1000;
  state.counters["median_ms"] = median * 1000;
  state.counters["cpu_ms"] = cpu * 1000;
  state.counters["peak_rss_MiB"] = peakRssMib(who);
  if (isCopy) {
    copyBest = best;
    copyMedian = median;
    copyCpu = cpu;
  } else if (copyBest > 0) {
    state.counters["best_vs_cp"] = best / copyBest;
    state.counters["median_vs_cp"] = median / copyMedian;
    state.counters["cpu_vs_cp"] = cpu / copyCpu;
  }
}

void BM_CopyWithCp(benchmark::State& state) {
  const fs::path target = benchFolder() / "copy.doc";
  const std::string command = "cp " + source().string() + " " + target.string();
  timeFileOperation(
      state, target,
      [&] {
        if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
      },
      true);
}

void BM_EncryptFile(benchmark::State& state) {
  const fs::path target = benchFolder() / "big.jia";
  timeFileOperation(
      state, target, [&] { verolin::crypto::encryptFile(source(), target); }, false);
}

void BM_DecryptFile(benchmark::State& state) {
  const fs::path container = benchFolder() / "big.jia";
  if (!fs::exists(container)) verolin::crypto::encryptFile(source(), container);
  const fs::path target = benchFolder() / "plain.doc";
  timeFileOperation(
      state, target, [&] { verolin::crypto::decryptFile(container, target); }, false);
  fs::remove_all(benchFolder());
}

void BM_Keystream(benchmark::State& state) {
  const verolin::crypto::Keystream keystream(verolin::crypto::deriveFileKeys(kTransferPassword));
  std::vector<char> buffer(static_cast<std::size_t>(state.range(0)), 'x');
  for (auto _ : state) {
    keystream.apply(buffer.data(), buffer.size(), 0);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(BM_Keystream)->Arg(1 << 20);
// Measured first: the container operations report their time as a multiple of this.
BENCHMARK(BM_CopyWithCp)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncryptFile)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecryptFile)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
