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
  out.resize((bytes.size() + 2) / 3 * 4);
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  char* put = out.data();
  const std::size_t whole = bytes.size() - bytes.size() % 3;
  for (std::size_t i = 0; i < whole; i += 3) {
    const unsigned b0 = in[i], b1 = in[i + 1], b2 = in[i + 2];
    put[0] = kAlphabet[b0 / 4];
    put[1] = kAlphabet[(b0 & 3) * 16 + b1 / 16];
    put[2] = kAlphabet[(b1 & 15) * 4 + b2 / 64];
    put[3] = kAlphabet[b2 & 63];
    put += 4;
  }
  // The last group is filled up with zero bytes, which show as fill characters.
  const std::size_t rest = bytes.size() - whole;
  if (rest > 0) {
    const unsigned b0 = in[whole], b1 = rest == 2 ? in[whole + 1] : 0u;
    put[0] = kAlphabet[b0 / 4];
    put[1] = kAlphabet[(b0 & 3) * 16 + b1 / 16];
    put[2] = rest == 2 ? kAlphabet[(b1 & 15) * 4] : '=';
    put[3] = '=';
  }
  return out;
}

std::string base64_decode(std::string_view text) {
  std::string out;
  if (text.empty() || text.size() % 4 != 0) return out;
  out.resize(text.size() / 4 * 3);
  char* put = out.data();
  const std::size_t n = text.size();
  // A fill character in the last place, and then in the last but one, counts as "A" (0).
  const bool last_fill = text[n - 1] == '=';
  const bool second_fill = last_fill && text[n - 2] == '=';
  // Characters outside the alphabet are decoded anyway; their bits are meaningless.
  auto value = [&](std::size_t i) -> unsigned {
    return static_cast<unsigned>(kPlaces[static_cast<unsigned char>(text[i])]) & 0xFFu;
  };
  // Zero bytes are left out.
  auto emit = [&](unsigned v) {
    const char c = static_cast<char>(v & 0xFFu);
    *put = c;
    put += c != '\0';
  };
  for (std::size_t i = 0; i < n; i += 4) {
    const bool last_group = i + 4 == n;
    const unsigned a = value(i), b = value(i + 1);
    const unsigned c = last_group && second_fill ? 0u : value(i + 2);
    const unsigned d = last_group && last_fill ? 0u : value(i + 3);
    emit((a * 4) | ((b & 48) / 16));
    emit((b * 16) | ((c & 60) / 4));
    emit(((c & 3) * 64) | (d & 63));
  }
  out.resize(static_cast<std::size_t>(put - out.data()));
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
