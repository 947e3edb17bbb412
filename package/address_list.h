// The address list: rows of {entry text, selected}, safe to use from any thread. The window
// shows it through an adapter notified by the listener; the core never touches a widget.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace picmove {

struct AddressRow {
  std::string entry;  // marker byte + address, GBK
  bool selected = false;
};

class AddressList {
 public:
  std::size_t count() const;
  std::string text(std::size_t row) const;  // empty when the row does not exist
  bool selected(std::size_t row) const;
  std::vector<AddressRow> rows() const;

  void append(std::string entry);
  void assign(std::vector<std::string> entries);  // replaces every row
  void clear();
  void mark_selected(std::size_t row);

  // Removes the selected rows, finding each again by its text (first row from the top whose
  // text equals it, letter case ignored). Returns the number of rows left.
  std::size_t remove_selected_rows();

  // Called after every change (from the changing thread); the window queues a refresh.
  void set_listener(std::function<void()> listener);

 private:
  void notify();

  mutable std::mutex mutex_;
  std::vector<AddressRow> rows_;
  std::function<void()> listener_;
};

// The address of an entry text: bytes 2 .. 1001 (at most 1000 bytes after the marker).
std::string entry_address(const std::string& entry);
inline char entry_marker(const std::string& entry) { return entry.empty() ? '\0' : entry[0]; }

}  // namespace picmove
