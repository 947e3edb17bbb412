// The log box as the core sees it: lines are appended whole, in call order, from any thread.
#pragma once

#include <ctime>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace picmove {

class LogSink {
 public:
  virtual ~LogSink() = default;
  // `line` is a whole GBK log line (date-time text + message).
  virtual void append(const std::string& line) = 0;
};

// "2024年3月5日14时7分9秒": the time part shortens when seconds, then minutes, then the hour
// are zero; numbers have no leading zeros. GBK.
std::string date_time_text(const std::tm& local_time);
std::string date_time_text_now();

// Appends date-time text + `message` (GBK) to the sink.
void write_log(LogSink& sink, std::string_view message);

// Keeps every line in memory; for the command line and tests.
class MemoryLogSink : public LogSink {
 public:
  void append(const std::string& line) override;
  std::vector<std::string> lines() const;
  std::string joined() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace picmove
