#include <gtest/gtest.h>

#include <boost/regex.hpp>
#include <string>

#include "package/base64.h"
#include "package/description_codec.h"
#include "package/gbk.h"

namespace picmove {
namespace {

const std::string kMarker(kDescriptionMarker);

// Replace-all as the first implementation did it: scan GBK characters (a double-byte character
// is one unit), compare exactly, go on after each replacement.
std::string replace_gbk_units(const std::string& text, const std::string& find,
                              const std::string& with) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, find.size(), find) == 0) {
      out += with;
      i += find.size();
      continue;
    }
    const std::size_t unit =
        is_gbk_lead_byte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    out.append(text, i, unit);
    i += unit;
  }
  return out;
}

// The decoding and encoding loops as first written (whole-text search after every field,
// every occurrence of the field's text replaced). Quadratic; a reference for small packages.
std::string literal_decode(std::string text) {
  const boost::regex pattern(R"(\t(\S[^:_"-]{300,})\t)",
                             boost::regex::perl | boost::regex::icase | boost::regex::mod_s);
  for (int guard = 0; guard < 1000; ++guard) {
    boost::smatch match;
    if (!boost::regex_search(text, match, pattern)) break;
    const std::string b = match[1];
    text = replace_gbk_units(text, b, kMarker + utf8_to_gbk(base64_decode(b)) + kMarker);
  }
  return text;
}

std::string literal_encode(std::string text) {
  const boost::regex pattern("#1#a#b#3#(.*?)#1#a#b#3#",
                             boost::regex::perl | boost::regex::icase | boost::regex::mod_s);
  for (int guard = 0; guard < 1000; ++guard) {
    boost::smatch match;
    if (!boost::regex_search(text, match, pattern)) break;
    const std::string g = match[1];
    text = replace_gbk_units(text, kMarker + g + kMarker, base64_encode(gbk_to_utf8(g)));
  }
  return text;
}

// A description of about `size` UTF-8 bytes with quotes, CR LF and Chinese text.
std::string html(int n, std::size_t size = 600) {
  std::string h = "<p style=\"text-align:center;\">\xE5\x9B\xBE\xE7\x89\x87 " + std::to_string(n) +
                  "</p>\r\n<p><img src=\"http://127.0.0.1:8000/p/ok_jpg/d" + std::to_string(n) +
                  ".jpg\" align=\"absmiddle\"></p>\r\n";
  while (h.size() < size) h += "<p>\xE9\x9D\xA2\xE6\x96\x99\xE6\x9F\x94\xE8\xBD\xAF</p>";
  return h;
}

std::string row(const std::string& title, const std::string& description_field) {
  return "\"" + title + "\"\t50010850\t2024-03-05 07:07:16\t" + description_field +
         "\t\"bulk:0.000000\"\t\"a:1:0:|http://127.0.0.1:8000/p/m.jpg;\"\r\n";
}

std::string package_of(const std::vector<std::string>& fields) {
  std::string text = "version 1.00\r\ntitle\tcid\tlist_time\tdescription\tx\tpicture\r\n";
  for (std::size_t i = 0; i < fields.size(); ++i) text += row("t" + std::to_string(i), fields[i]);
  return text;
}

TEST(DescriptionCodec, DecodesLikeTheFirstLoopAndEncodesBackExactly) {
  // Shared descriptions (rows 0 and 2), letter-case twins after decoding, CR LF inside.
  const std::string a = base64_encode(html(1)), b = base64_encode(html(2));
  const std::string c = base64_encode(html(3, 2000));
  std::string upper = html(4);
  for (auto& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  const std::string d = base64_encode(upper), e = base64_encode(html(4));
  const std::string original = package_of({a, b, a, c, d, e});

  std::string decoded = original;
  const DecodeResult result = decode_encoded_descriptions(decoded);
  EXPECT_EQ(result.decoded, 6u);
  EXPECT_EQ(result.kept_encoded, 0u);
  EXPECT_EQ(decoded, literal_decode(original));
  EXPECT_NE(decoded.find("\t" + kMarker + utf8_to_gbk(html(3, 2000)) + kMarker + "\t"),
            std::string::npos);

  std::string encoded = decoded;
  EXPECT_EQ(encode_marked_descriptions(encoded), 6u);
  EXPECT_EQ(encoded, literal_encode(decoded));
  EXPECT_EQ(encoded, original);
}

TEST(DescriptionCodec, EncodesWhatARunChangedInsideADescription) {
  std::string text = package_of({base64_encode(html(1))});
  decode_encoded_descriptions(text);
  const std::string old_address = "http://127.0.0.1:8000/p/ok_jpg/d1.jpg";
  text.replace(text.find(old_address), old_address.size(),
               "FILE:///tmp/shop\xC3\xE8\xCA\xF6\xCD\xBC\xC6\xAC/ab.jpg");  // 描述图片 in GBK
  encode_marked_descriptions(text);
  std::string expected_html = html(1);
  expected_html.replace(expected_html.find(old_address), old_address.size(),
                        "FILE:///tmp/shop\xE6\x8F\x8F\xE8\xBF\xB0\xE5\x9B\xBE\xE7\x89\x87/ab.jpg");
  EXPECT_EQ(text, package_of({base64_encode(expected_html)}));
}

TEST(DescriptionCodec, NoMatchLeavesTheTextAlone) {
  const std::string plain = package_of({"\"<p>short</p>\""});
  std::string text = plain;
  EXPECT_EQ(decode_encoded_descriptions(text).decoded, 0u);
  EXPECT_EQ(encode_marked_descriptions(text), 0u);
  EXPECT_EQ(text, plain);
  // An unpaired marker stays as it is.
  std::string odd = "a\t" + kMarker + "b";
  EXPECT_EQ(encode_marked_descriptions(odd), 0u);
  EXPECT_EQ(odd, "a\t" + kMarker + "b");
}

// Fields the greedy pattern runs over, and fields that would not survive decoding and encoding
// again: the first loop garbles or drops them; each must come back byte for byte.
TEST(DescriptionCodec, NeverLosesOrGarblesAField) {
  const std::string a = base64_encode(html(1)), b = base64_encode(html(2));
  const std::string emoji = base64_encode(html(5) + "\xF0\x9F\x98\x80");
  std::string not_base64(400, 'Q');  // 400 letters and one "!": looks encoded, is not
  not_base64[200] = '!';
  struct Case {
    const char* name;
    std::string line;          // between the tabs of the description column and beyond
    std::size_t decoded;
    std::size_t kept_encoded;
  } cases[] = {
      // Two encoded fields side by side: the greedy capture spans both.
      {"two encoded fields in a row", a + "\t" + b, 2, 0},
      // A short field before an encoded one: the capture starts at the short one.
      {"short field first", "0\t" + a, 1, 0},
      {"not base64", not_base64, 0, 0},
      {"length not a multiple of 4", a + "QQ", 0, 0},
      // An emoji has no GBK form: decoding would turn it into "?" for good.
      {"characters GBK cannot hold", emoji, 0, 1},
      // Bytes that are not UTF-8 and zero bytes would not come back either.
      {"not UTF-8", base64_encode(html(6) + "\xFF\xFE"), 0, 1},
      {"zero byte", base64_encode(html(7) + std::string(1, '\0') + "x"), 0, 1},
  };
  for (const auto& c : cases) {
    const std::string original = package_of({c.line});
    std::string text = original;
    const DecodeResult result = decode_encoded_descriptions(text);
    EXPECT_EQ(result.decoded, c.decoded) << c.name;
    EXPECT_EQ(result.kept_encoded, c.kept_encoded) << c.name;
    encode_marked_descriptions(text);
    EXPECT_EQ(text, original) << c.name;
    // The first loop does not give the package back.
    EXPECT_NE(literal_encode(literal_decode(original)), original) << c.name;
  }
}

TEST(DescriptionCodec, DecodesEachOfTwoAdjacentFieldsOnItsOwn) {
  const std::string a = base64_encode(html(1)), b = base64_encode(html(2));
  std::string text = package_of({a + "\t" + b});
  decode_encoded_descriptions(text);
  EXPECT_NE(text.find("\t" + kMarker + utf8_to_gbk(html(1)) + kMarker + "\t" + kMarker +
                      utf8_to_gbk(html(2)) + kMarker + "\t"),
            std::string::npos);
}

// The first loop replaced the base64 text of one field wherever it stood, also as the start of
// a longer field; once a run changes that decoded part, encoding garbles the longer field.
TEST(DescriptionCodec, DecodesOnlyWholeFields) {
  const std::string shorter_html = html(1, 900);  // whole groups of 3 bytes
  ASSERT_EQ(shorter_html.size() % 3, 0u);
  const std::string longer_html = shorter_html + "<p>more</p>";
  const std::string shorter = base64_encode(shorter_html);
  const std::string longer = base64_encode(longer_html);
  ASSERT_EQ(longer.compare(0, shorter.size(), shorter), 0);
  const std::string original = package_of({shorter, longer});

  std::string text = original;
  EXPECT_EQ(decode_encoded_descriptions(text).decoded, 2u);
  EXPECT_NE(text.find(kMarker + utf8_to_gbk(longer_html) + kMarker), std::string::npos);
  EXPECT_EQ(literal_decode(original).find(utf8_to_gbk(longer_html)), std::string::npos);
  encode_marked_descriptions(text);
  EXPECT_EQ(text, original);
}

}  // namespace
}  // namespace picmove
