// ooxml_bench FILE [RUNS]: times the server's extraction of one document in
// memory (any format the server reads) and prints the best run's throughput
// in MB/s of the file and the peak memory of the process. Both wall-clock and
// CPU time are given: on a shared machine the wall clock measures the others.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "wordfilt/formats/any_format.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: ooxml_bench FILE [RUNS]\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<char> data((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  double best = 1e9;
  double bestCpu = 1e9;
  std::size_t chars = 0;
  for (int i = 0; i < runs; ++i) {
    wordfilt::DocumentText out;
    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    const auto status = wordfilt::ExtractAnyFormat(
        reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), out);
    const double cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (status != wordfilt::LoadStatus::kOk) {
      std::fprintf(stderr, "extraction failed: %d\n", static_cast<int>(status));
      return 1;
    }
    best = std::min(best, s);
    bestCpu = std::min(bestCpu, cpu);
    chars = out.text.size();
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "%s: %zu bytes, %zu characters; best wall %.3f s (%.1f MB/s), best CPU %.3f s (%.1f MB/s); "
      "peak RSS %ld MB\n",
      argv[1], data.size(), chars, best, data.size() / best / 1e6, bestCpu,
      data.size() / bestCpu / 1e6, usage.ru_maxrss / 1024);
  return 0;
}
