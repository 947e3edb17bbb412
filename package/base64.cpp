#include "package/base64.h"

#include <array>
#include <cstdint>

namespace picmove {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Place of each character in the alphabet; -1 for characters outside it.
constexpr std::array<std::int8_t, 256> make_places() {
  std::array<std::int8_t, 256> places{};
  for (auto& p : places) p = -1;
  for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
    places[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
  }
  return places;
}
constexpr std::array<std::int8_t, 256> kPlaces = make_places();

}  // namespace

std::string base64_encode(std::string_view bytes) {
  std::string out;
  if (bytes.empty()) return out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  const std::size_t whole = bytes.size() - bytes.size() % 3;
  auto byte = [&](std::size_t i) -> unsigned {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u;
  };
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const unsigned b0 = byte(i), b1 = byte(i + 1), b2 = byte(i + 2);
    out.push_back(kAlphabet[b0 / 4]);
    out.push_back(kAlphabet[(b0 & 3) * 16 + b1 / 16]);
    out.push_back(kAlphabet[(b1 & 15) * 4 + b2 / 64]);
    out.push_back(kAlphabet[b2 & 63]);
  }
  // The padding zero bytes of the last group show as fill characters.
  const std::size_t rest = bytes.size() - whole;
  if (rest == 1) {
    out[out.size() - 2] = '=';
    out[out.size() - 1] = '=';
  } else if (rest == 2) {
    out[out.size() - 1] = '=';
  }
  return out;
}

std::string base64_decode(std::string_view text) {
  std::string out;
  if (text.empty() || text.size() % 4 != 0) return out;
  out.reserve(text.size() / 4 * 3);
  const std::size_t n = text.size();
  // A fill character in the last place, and then in the last but one, counts as "A" (0).
  const bool last_fill = text[n - 1] == '=';
  const bool second_fill = last_fill && text[n - 2] == '=';
  auto value = [&](std::size_t i) -> unsigned {
    if ((i == n - 1 && last_fill) || (i == n - 2 && second_fill)) return 0;
    // Characters outside the alphabet are decoded anyway; their bits are meaningless.
    return static_cast<unsigned>(kPlaces[static_cast<unsigned char>(text[i])]) & 0xFFu;
  };
  auto put = [&](unsigned v) {
    const char c = static_cast<char>(v & 0xFFu);
    if (c != '\0') out.push_back(c);  // zero bytes are left out
  };
  for (std::size_t i = 0; i < n; i += 4) {
    const unsigned a = value(i), b = value(i + 1), c = value(i + 2), d = value(i + 3);
    put((a * 4) | ((b & 48) / 16));
    put((b * 16) | ((c & 60) / 4));
    put(((c & 3) * 64) | (d & 63));
  }
  return out;
}

bool is_valid_base64(std::string_view text) {
  if (text.size() % 4 != 0) return false;
  std::size_t fill = 0;
  while (fill < text.size() && fill < 2 && text[text.size() - 1 - fill] == '=') ++fill;
  for (std::size_t i = 0; i + fill < text.size(); ++i) {
    if (kPlaces[static_cast<unsigned char>(text[i])] < 0) return false;
  }
  return true;
}

}  // namespace picmove
