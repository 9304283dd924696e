// The keystream alone, in memory: the one part of the container's work that is ours rather than the
// kernel's. The file figures (against `cp` plus `sync`, in pairs) come from bench/run.sh.
#include <benchmark/benchmark.h>

#include <vector>

#include "crypto/container_format.h"
#include "crypto/crypto.h"

namespace {

void BM_Keystream(benchmark::State& state) {
  const verolin::crypto::Keystream keystream(
      verolin::crypto::deriveFileKeys(verolin::crypto::kTransferPassword));
  std::vector<char> buffer(static_cast<std::size_t>(state.range(0)), 'x');
  for (auto _ : state) {
    keystream.apply(buffer.data(), buffer.size(), 0);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(BM_Keystream)->Arg(1 << 18)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
