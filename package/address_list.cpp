#include "package/address_list.h"

#include <algorithm>
#include <cctype>

namespace picmove {
namespace {

bool equal_ignoring_case(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

}  // namespace

std::size_t AddressList::count() const {
  std::lock_guard lock(mutex_);
  return rows_.size();
}

std::string AddressList::text(std::size_t row) const {
  std::lock_guard lock(mutex_);
  return row < rows_.size() ? rows_[row].entry : std::string();
}

bool AddressList::selected(std::size_t row) const {
  std::lock_guard lock(mutex_);
  return row < rows_.size() && rows_[row].selected;
}

std::vector<AddressRow> AddressList::rows() const {
  std::lock_guard lock(mutex_);
  return rows_;
}

void AddressList::append(std::string entry) {
  {
    std::lock_guard lock(mutex_);
    rows_.push_back({std::move(entry), false});
  }
  notify();
}

void AddressList::assign(std::vector<std::string> entries) {
  {
    std::lock_guard lock(mutex_);
    rows_.clear();
    rows_.reserve(entries.size());
    for (auto& entry : entries) rows_.push_back({std::move(entry), false});
  }
  notify();
}

void AddressList::clear() {
  {
    std::lock_guard lock(mutex_);
    rows_.clear();
  }
  notify();
}

void AddressList::mark_selected(std::size_t row) {
  {
    std::lock_guard lock(mutex_);
    if (row >= rows_.size()) return;
    rows_[row].selected = true;
  }
  notify();
}

std::size_t AddressList::remove_selected_rows() {
  std::size_t left = 0;
  {
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    for (const auto& row : rows_) {
      if (row.selected) texts.push_back(row.entry);
    }
    // Rows are found again by their text, the first match from the top, letter case ignored:
    // of two rows differing only in case, the upper one goes.
    for (const auto& text : texts) {
      auto it = std::find_if(rows_.begin(), rows_.end(),
                             [&](const AddressRow& row) { return equal_ignoring_case(row.entry, text); });
      if (it != rows_.end()) rows_.erase(it);
    }
    left = rows_.size();
  }
  notify();
  return left;
}

void AddressList::set_listener(std::function<void()> listener) {
  std::lock_guard lock(mutex_);
  listener_ = std::move(listener);
}

void AddressList::notify() {
  std::function<void()> listener;
  {
    std::lock_guard lock(mutex_);
    listener = listener_;
  }
  if (listener) listener();
}

std::string entry_address(const std::string& entry) {
  if (entry.size() <= 1) return std::string();
  return entry.substr(1, 1000);
}

}  // namespace picmove
