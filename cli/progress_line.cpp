#include "cli/progress_line.h"

#include <cstdio>

#include "package/gbk.h"

namespace picmove::cli {

ProgressLogSink::ProgressLogSink(bool show_progress) : show_(show_progress) {}

std::string ProgressLogSink::render_locked() const {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  char text[96];
  std::snprintf(text, sizeof text, "\r\033[K[%d/%d pictures, %.1f/s]", done_, total_,
                seconds > 0 ? done_ / seconds : 0.0);
  return text;
}

void ProgressLogSink::append(const std::string& line) {
  const std::string utf8 = gbk_to_utf8(line);
  std::lock_guard lock(mutex_);
  if (drawn_) std::fputs("\r\033[K", stderr);
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  // Log lines end in CR LF; a line that does not would be overwritten by the display.
  if (show_ && !utf8.empty() && utf8.back() != '\n') std::fputc('\n', stderr);
  if (show_ && total_ > 0) {
    std::fputs(render_locked().c_str(), stderr);
    drawn_ = true;
  }
  std::fflush(stderr);
}

void ProgressLogSink::progress(std::int32_t done, std::int32_t total) {
  if (!show_) return;
  std::lock_guard lock(mutex_);
  done_ = done;
  total_ = total;
  std::fputs(render_locked().c_str(), stderr);
  drawn_ = true;
  std::fflush(stderr);
}

void ProgressLogSink::finish() {
  std::lock_guard lock(mutex_);
  if (drawn_) std::fputs("\r\033[K", stderr);
  drawn_ = false;
  total_ = 0;
  std::fflush(stderr);
}

}  // namespace picmove::cli
