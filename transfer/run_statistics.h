// The counters of a run and the texts the completion window shows from them.
#pragma once

#include <cstdint>
#include <string>

namespace picmove {

struct RunStatistics {
  std::int32_t total = 0;            // rows in the list when the run started
  std::int32_t downloaded = 0;       // rows whose picture was obtained (upload failures included)
  std::int32_t upload_failures = 0;  // of those, rows whose upload failed twice
  std::int32_t failures = 0;         // total - downloaded at the natural end; 0 after a stop
  std::int32_t store_failures = 0;   // rows whose picture could not be written (kept in the list)
  std::int64_t rewrite_nanoseconds = 0;  // time spent inside rewrites of the working text
  std::int64_t rewrites = 0;             // rewrites done
};

// The four label texts of the completion window, GBK. `policy_note` is empty when there were no
// failures (the label keeps its empty design text).
struct CompletionTexts {
  std::string total_line;    // 透明标签4
  std::string success_line;  // 透明标签2
  std::string failure_line;  // 透明标签3
  std::string policy_note;   // 透明标签5
};

// `upload_checked` and `policy` are read by the caller when the window opens.
CompletionTexts fill_completion_texts(const RunStatistics& statistics, bool upload_checked,
                                      std::int32_t policy);

}  // namespace picmove
