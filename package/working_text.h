// The package text during a run: one growable buffer, rewritten in place.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace picmove {

class WorkingText {
 public:
  void set(std::string text) { text_ = std::move(text); }
  const std::string& get() const { return text_; }
  std::string take() { return std::move(text_); }

  // Replaces every exact occurrence of `find`, left to right, continuing after each
  // replacement. An empty `find` changes nothing. Returns the number of replacements.
  std::size_t replace_all(std::string_view find, std::string_view replacement);

 private:
  std::string text_;
};

}  // namespace picmove
