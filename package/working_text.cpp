#include "package/working_text.h"

#include <algorithm>
#include <cstring>

namespace picmove {
namespace {

constexpr std::size_t kPieceSize = 4096;
constexpr std::uint64_t kBase = 0x100000001B3ull;  // odd multiplier of the rolling hash
constexpr unsigned kFilterBits = 22;

bool is_separator(char c) { return c == '\t' || c == '\n'; }

bool holds_separator(std::string_view text) {
  return text.find_first_of("\t\n") != std::string_view::npos;
}

std::uint64_t hash_bytes(const char* data, std::size_t length) {
  std::uint64_t h = 0;
  for (std::size_t i = 0; i < length; ++i) h = h * kBase + static_cast<unsigned char>(data[i]);
  return h;
}

std::uint64_t power_of_base(std::size_t exponent) {
  std::uint64_t p = 1;
  for (std::size_t i = 0; i < exponent; ++i) p *= kBase;
  return p;
}

std::size_t filter_slot(std::uint64_t key) { return (key * 0x9E3779B97F4A7C15ull) >> (64 - kFilterBits); }

// memmem keeps each scan linear (glibc's two-way search, no backtracking).
const char* find_bytes(const char* from, const char* end, std::string_view needle) {
  if (static_cast<std::size_t>(end - from) < needle.size()) return nullptr;
  return static_cast<const char*>(
      memmem(from, static_cast<std::size_t>(end - from), needle.data(), needle.size()));
}

// One left-to-right pass; the scan goes on after each replaced occurrence, so text produced by
// a replacement is never searched again.
std::size_t replace_in(std::string& text, std::string_view find, std::string_view replacement,
                       std::vector<std::size_t>* starts = nullptr) {
  if (find.empty() || text.size() < find.size()) return 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  const char* hit = find_bytes(begin, end, find);
  if (hit == nullptr) return 0;
  std::size_t count = 0;
  if (find.size() == replacement.size()) {
    char* base = text.data();
    while (hit != nullptr) {
      std::memcpy(base + (hit - begin), replacement.data(), replacement.size());
      if (starts) starts->push_back(static_cast<std::size_t>(hit - begin));
      ++count;
      hit = find_bytes(hit + find.size(), end, find);
    }
    return count;
  }
  std::string out;
  out.reserve(text.size() + (replacement.size() > find.size() ? text.size() / 8 : 0));
  const char* copied = begin;
  while (hit != nullptr) {
    out.append(copied, static_cast<std::size_t>(hit - copied));
    if (starts) starts->push_back(out.size());
    out.append(replacement);
    ++count;
    copied = hit + find.size();
    hit = find_bytes(copied, end, find);
  }
  out.append(copied, static_cast<std::size_t>(end - copied));
  text = std::move(out);
  return count;
}

}  // namespace

void WorkingText::set(std::string_view text) {
  pieces_.clear();
  where_.clear();
  key_filter_.clear();
  finds_.clear();
  size_ = text.size();
  // Cut right after the first tab or line break past every 4 KB. A text looked for that holds
  // neither can never straddle two pieces.
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t cut = text.size();
    if (text.size() - start > kPieceSize) {
      const char* p = text.data() + start + kPieceSize;
      const char* end = text.data() + text.size();
      while (p < end && !is_separator(*p)) ++p;
      if (p < end) cut = static_cast<std::size_t>(p - text.data()) + 1;
    }
    pieces_.emplace_back(text.substr(start, cut - start));
    start = cut;
  }
}

std::string WorkingText::get() const {
  std::string whole;
  whole.reserve(size_);
  for (const auto& piece : pieces_) whole += piece;
  return whole;
}

std::string WorkingText::take() {
  std::string whole = get();
  set(std::string());
  return whole;
}

void WorkingText::index_finds(const std::vector<std::string>& finds) {
  where_.clear();
  key_filter_.assign((std::size_t{1} << kFilterBits) / 64, 0);
  finds_.clear();
  for (const auto& find : finds) {
    if (find.size() < kKeyLength || holds_separator(find)) continue;
    const std::uint64_t key = hash_bytes(find.data() + find.size() - kKeyLength, kKeyLength);
    where_.try_emplace(key);
    const std::size_t slot = filter_slot(key);
    key_filter_[slot / 64] |= std::uint64_t{1} << (slot % 64);
    finds_.push_back(find);
  }
  if (where_.empty()) return;
  for (std::uint32_t i = 0; i < pieces_.size(); ++i) index_piece(i);
}

void WorkingText::index_piece(std::uint32_t piece) {
  index_range(piece, 0, pieces_[piece].size());
}

// Indexes every 16-byte window that lies inside [from, to) of the piece.
void WorkingText::index_range(std::uint32_t piece, std::size_t from, std::size_t to) {
  const std::string& text = pieces_[piece];
  to = std::min(to, text.size());
  if (where_.empty() || to < from + kKeyLength) return;
  static const std::uint64_t kTopPower = power_of_base(kKeyLength);
  std::uint64_t h = hash_bytes(text.data() + from, kKeyLength);
  for (std::size_t end = from + kKeyLength;; ++end) {
    const std::size_t slot = filter_slot(h);
    if (key_filter_[slot / 64] & (std::uint64_t{1} << (slot % 64))) {
      auto it = where_.find(h);
      if (it != where_.end() && (it->second.empty() || it->second.back() != piece)) {
        it->second.push_back(piece);
      }
    }
    if (end == to) break;
    h = h * kBase + static_cast<unsigned char>(text[end]) -
        kTopPower * static_cast<unsigned char>(text[end - kKeyLength]);
  }
}

bool WorkingText::indexed(std::string_view find, std::uint64_t& key) const {
  if (where_.empty() || find.size() < kKeyLength || holds_separator(find)) return false;
  key = hash_bytes(find.data() + find.size() - kKeyLength, kKeyLength);
  return where_.count(key) != 0;
}

std::size_t WorkingText::replace_in_piece(std::uint32_t piece, std::string_view find,
                                          std::string_view replacement) {
  std::string& text = pieces_[piece];
  const std::size_t before = text.size();
  std::vector<std::size_t> starts;
  const std::size_t count = replace_in(text, find, replacement, where_.empty() ? nullptr : &starts);
  if (count != 0) {
    size_ = size_ - before + text.size();
    // A text the piece did not hold before can only lie across a replacement: index the
    // windows that touch one. Every other window was in the piece already.
    for (const std::size_t start : starts) {
      const std::size_t from = start >= kKeyLength - 1 ? start - (kKeyLength - 1) : 0;
      index_range(piece, from, start + replacement.size() + kKeyLength - 1);
    }
  }
  return count;
}

// A text holding a tab or a line break may straddle pieces: replace in the whole text.
std::size_t WorkingText::replace_across_pieces(std::string_view find,
                                               std::string_view replacement) {
  std::string whole = get();
  const std::size_t count = replace_in(whole, find, replacement);
  if (count != 0) {
    std::vector<std::string> finds = std::move(finds_);
    set(whole);
    if (!finds.empty()) index_finds(finds);
  }
  return count;
}

std::size_t WorkingText::replace_all(std::string_view find, std::string_view replacement) {
  if (find.empty() || find.size() > size_) return 0;
  if (holds_separator(find)) return replace_across_pieces(find, replacement);

  std::uint64_t key = 0;
  std::size_t count = 0;
  if (!indexed(find, key)) {
    for (std::uint32_t i = 0; i < pieces_.size(); ++i) count += replace_in_piece(i, find, replacement);
    return count;
  }
  // Every piece that holds `find` holds its last 16 bytes, so it is on the key's list. Pieces
  // are independent, so their order does not change the result.
  std::vector<std::uint32_t> candidates = where_[key];
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  for (const std::uint32_t piece : candidates) count += replace_in_piece(piece, find, replacement);
  return count;
}

}  // namespace picmove
