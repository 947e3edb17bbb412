// Compressed answers for the tests, written by hand so the suite needs no zlib of its own:
// gzip and zlib streams with stored blocks (any content), and a gzip stream of zeros with
// fixed-code back-references (a few hundred KB that expand to tens of MB).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace picmove::test {

inline std::uint32_t crc32_of(const std::string& data) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char ch : data)
    crc = table[(crc ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

inline void put_le32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Deflate stored blocks: the data as it is, in pieces of at most 65535 bytes.
inline std::string deflate_stored(const std::string& data) {
  std::string out;
  std::size_t pos = 0;
  do {
    const std::size_t n = std::min<std::size_t>(65535, data.size() - pos);
    const bool last = pos + n == data.size();
    out += static_cast<char>(last ? 1 : 0);
    out += static_cast<char>(n & 0xFF);
    out += static_cast<char>(n >> 8);
    out += static_cast<char>(~n & 0xFF);
    out += static_cast<char>((~n >> 8) & 0xFF);
    out.append(data, pos, n);
    pos += n;
  } while (pos < data.size());
  return out;
}

inline std::string gzip_header() {
  return std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff", 10);
}

inline std::string gzip_stored(const std::string& data) {
  std::string out = gzip_header() + deflate_stored(data);
  put_le32(out, crc32_of(data));
  put_le32(out, static_cast<std::uint32_t>(data.size()));
  return out;
}

// "deflate" as HTTP means it: a zlib stream.
inline std::string zlib_stored(const std::string& data) {
  std::string out("\x78\x01", 2);
  out += deflate_stored(data);
  std::uint32_t a = 1, b = 0;
  for (const char ch : data) {
    a = (a + static_cast<unsigned char>(ch)) % 65521;
    b = (b + a) % 65521;
  }
  const std::uint32_t adler = (b << 16) | a;
  for (int i = 3; i >= 0; --i) out += static_cast<char>((adler >> (8 * i)) & 0xFF);
  return out;
}

// `count` zero bytes (count >= 1): one literal 0, then copies of 258 bytes at distance 1.
inline std::string gzip_zeros(std::size_t count) {
  std::string out = gzip_header();
  std::uint32_t bitbuf = 0;
  int bits = 0;
  auto put_bits = [&](std::uint32_t value, int n) {  // least significant bit first
    bitbuf |= value << bits;
    bits += n;
    while (bits >= 8) {
      out += static_cast<char>(bitbuf & 0xFF);
      bitbuf >>= 8;
      bits -= 8;
    }
  };
  auto put_code = [&](std::uint32_t code, int n) {  // Huffman codes go most significant first
    std::uint32_t reversed = 0;
    for (int i = 0; i < n; ++i) reversed |= ((code >> i) & 1u) << (n - 1 - i);
    put_bits(reversed, n);
  };
  put_bits(1, 1);     // last block
  put_bits(1, 2);     // fixed codes
  put_code(0x30, 8);  // literal 0
  std::size_t left = count - 1;
  for (; left >= 258; left -= 258) {
    put_code(0xC5, 8);  // length 258
    put_code(0, 5);     // distance 1
  }
  for (; left > 0; --left) put_code(0x30, 8);
  put_code(0, 7);  // end of block
  if (bits > 0) put_bits(0, 8 - bits);
  put_le32(out, crc32_of(std::string(count, '\0')));
  put_le32(out, static_cast<std::uint32_t>(count));
  return out;
}

}  // namespace picmove::test
