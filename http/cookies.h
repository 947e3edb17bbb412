// Cookie texts: "name=value" items joined by "; ", without attributes.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace picmove {

// Rule A (web_request): the received cookie text of a raw header block whose "Set-Cookie"
// spellings were already normalised; keeps empty and "deleted" values.
std::string cookies_rule_a(std::string_view header_block);

// Rule B (timed_web_request, com_web_request): appends the cookies of the header block to
// `received`, dropping empty values and lines without attributes.
void cookies_rule_b(std::string_view header_block, std::string& received);

// Merges `received` into `old`: received items first and winning by name, "=deleted" items
// dropped, exact duplicates removed. Rewrites both inputs without spaces, as callers rely on.
std::string merge_cookies(std::string& old, std::string& received);

// The process-wide cookie store keyed by "http://" + host (lower-case, without port), used by
// requests that do not pass cookies of their own.
class CookieStore {
 public:
  void set(const std::string& address, const std::string& name, const std::string& value);
  // Cookie text for the address ("name=value; ..."), empty when none is stored.
  std::string cookies_for(const std::string& address) const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::map<std::string, std::string>> cookies_;
};

CookieStore& cookie_store();

// Writes the Set-Cookie lines of a header block into the store for "http://" + host.
void store_received_cookies(std::string_view header_block, const std::string& host);

}  // namespace picmove
