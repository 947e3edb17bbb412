// Runs one package through the core as picmove-cli run does (list, run storing locally, save)
// and prints where the time went, as "key=value" lines on stdout.
//   picmove_bench_run PACKAGE.csv
#include <chrono>
#include <cstdio>
#include <string>

#include "package/address_extraction.h"
#include "package/address_list.h"
#include "package/data_package.h"
#include "package/log_sink.h"
#include "package/options_view.h"
#include "transfer/failure_policy.h"
#include "transfer/processing_run.h"

namespace {

class CountingSink : public picmove::LogSink {
 public:
  void append(const std::string&) override { ++lines; }
  long lines = 0;
};

class QuietObserver : public picmove::RunObserver {
 public:
  void on_completion(const picmove::CompletionTexts&) override {}
  void on_restore_controls() override {}
};

double ms_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: picmove_bench_run PACKAGE.csv\n");
    return 2;
  }
  using namespace picmove;
  set_failure_policy(2);
  DataPackage package;
  if (!choose_package(package, std::filesystem::path(argv[1])).ok) return 2;
  PlainOptions options;
  CountingSink log;
  AddressList list;
  QuietObserver observer;

  const auto start = std::chrono::steady_clock::now();
  add_to_list(package, options, list, log);
  const double list_ms = ms_since(start);
  ProcessingRun run(package, list, options, log, observer);
  const auto run_start = std::chrono::steady_clock::now();
  if (run.start().status != StartStatus::started) return 1;
  const RunResult result = run.wait();
  const double run_ms = ms_since(run_start);

  std::printf("list_ms=%.1f\nrun_ms=%.1f\nrewrite_ms=%.1f\nrewrites=%lld\nrows=%d\n"
              "downloaded=%d\nsaved=%d\n",
              list_ms, run_ms, result.statistics.rewrite_nanoseconds / 1e6,
              static_cast<long long>(result.statistics.rewrites), result.statistics.total,
              result.statistics.downloaded, result.saved ? 1 : 0);
  return result.saved ? 0 : 1;
}
