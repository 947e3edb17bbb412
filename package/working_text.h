// The package text during a run. One replace-all per picture over a text of tens of megabytes
// would cost a full scan each time, so the text is held in pieces of a few kilobytes that end
// right after a tab or a line break, and an index tells which pieces may hold each text a run
// is going to replace. The result of every operation is exactly that of a left-to-right
// replace-all over the whole text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace picmove {

class WorkingText {
 public:
  void set(std::string_view text);  // copied into pieces; no second copy of the whole
  std::string get() const;  // the whole text
  std::string take();       // the whole text; leaves the buffer empty
  std::size_t size() const { return size_; }

  // Prepares the fast path for the texts the run will look for (entry texts and addresses).
  // Replacing any other text is still exact, only slower.
  void index_finds(const std::vector<std::string>& finds);

  // Replaces every exact occurrence of `find`, left to right, continuing after each
  // replacement. An empty `find` changes nothing. Returns the number of replacements.
  std::size_t replace_all(std::string_view find, std::string_view replacement);

 private:
  static constexpr std::size_t kKeyLength = 16;  // the index keys on a find's last 16 bytes

  void index_piece(std::uint32_t piece);
  void index_range(std::uint32_t piece, std::size_t from, std::size_t to);
  bool indexed(std::string_view find, std::uint64_t& key) const;
  std::size_t replace_in_piece(std::uint32_t piece, std::string_view find,
                               std::string_view replacement);
  std::size_t replace_across_pieces(std::string_view find, std::string_view replacement);

  std::vector<std::string> pieces_;  // every piece but the last ends with '\t' or '\n'
  std::size_t size_ = 0;

  // Key of a find's last 16 bytes -> pieces that held those bytes at some time (may repeat).
  std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> where_;
  std::vector<std::uint64_t> key_filter_;  // bit set over key hashes, to skip most positions
  std::vector<std::string> finds_;         // what index_finds was given, to index again
};

}  // namespace picmove
