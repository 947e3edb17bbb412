// A one-line progress display (rows done/total and rate) at the bottom of a terminal. Log
// lines printed through it clear the display first and redraw it after.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "package/log_sink.h"

namespace picmove::cli {

class ProgressLogSink : public LogSink {
 public:
  explicit ProgressLogSink(bool show_progress);
  void append(const std::string& line) override;  // the line in UTF-8 on stderr
  void progress(std::int32_t done, std::int32_t total);
  void finish();  // clears the display for good

 private:
  std::string render_locked() const;

  const bool show_;
  std::mutex mutex_;
  bool drawn_ = false;
  std::int32_t done_ = 0, total_ = 0;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace picmove::cli
