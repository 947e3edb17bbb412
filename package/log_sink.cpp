#include "package/log_sink.h"

#include <string>

#include "package/gbk.h"

namespace picmove {

std::string date_time_text(const std::tm& t) {
  static const std::string kYear = gbk("年"), kMonth = gbk("月"), kDay = gbk("日"),
                           kHour = gbk("时"), kMinute = gbk("分"), kSecond = gbk("秒");
  std::string text = std::to_string(t.tm_year + 1900) + kYear + std::to_string(t.tm_mon + 1) +
                     kMonth + std::to_string(t.tm_mday) + kDay;
  // The time of day shortens from the right: 14时7分9秒, 14时7分, 14时, or nothing at midnight.
  if (t.tm_sec != 0) {
    text += std::to_string(t.tm_hour) + kHour + std::to_string(t.tm_min) + kMinute +
            std::to_string(t.tm_sec) + kSecond;
  } else if (t.tm_min != 0) {
    text += std::to_string(t.tm_hour) + kHour + std::to_string(t.tm_min) + kMinute;
  } else if (t.tm_hour != 0) {
    text += std::to_string(t.tm_hour) + kHour;
  }
  return text;
}

std::string date_time_text_now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return date_time_text(local);
}

void write_log(LogSink& sink, std::string_view message) {
  std::string line = date_time_text_now();
  line.append(message);
  sink.append(line);
}

void MemoryLogSink::append(const std::string& line) {
  std::lock_guard lock(mutex_);
  lines_.push_back(line);
}

std::vector<std::string> MemoryLogSink::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

std::string MemoryLogSink::joined() const {
  std::lock_guard lock(mutex_);
  std::string all;
  for (const auto& line : lines_) all += line;
  return all;
}

}  // namespace picmove
