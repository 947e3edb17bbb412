// Times the stages of listing a package one by one (processor time), to see where the time of
// `picmove-cli list` goes. Usage: picmove_package_bench PACKAGE.csv [--tmall536] [--protected]
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "package/address_extraction.h"
#include "package/data_package.h"
#include "package/description_codec.h"
#include "package/pattern_text.h"

namespace {

// Processor time of this process, so that other work on a shared machine counts less.
double since(std::clock_t& start) {
  const std::clock_t now = std::clock();
  const double ms = 1000.0 * static_cast<double>(now - start) / CLOCKS_PER_SEC;
  start = now;
  return ms;
}

// Peak resident memory so far, in MiB.
double peak_mib() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return 0;
  char line[256];
  double kib = 0;
  while (std::fgets(line, sizeof line, status)) {
    if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::atof(line + 6);
  }
  std::fclose(status);
  return kib / 1024;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PACKAGE.csv [--tmall536] [--protected]\n", argv[0]);
    return 2;
  }
  bool tmall536 = false, protected_pictures = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--tmall536") == 0) tmall536 = true;
    if (std::strcmp(argv[i], "--protected") == 0) protected_pictures = true;
  }
  std::clock_t start = std::clock();
  picmove::LoadedText loaded = picmove::load_package_text(argv[1]);
  std::string text = std::move(loaded.text);
  std::printf("load            %8.1f ms  (%zu bytes of text)  peak %.0f MiB\n", since(start), text.size(), peak_mib());
  if (tmall536) {
    const auto result = picmove::decode_encoded_descriptions(text);
    std::printf("decode          %8.1f ms  (%zu fields)  peak %.0f MiB\n", since(start), result.decoded, peak_mib());
  }
  picmove::remove_ignoring_case(text, "_.webp");
  std::printf("remove _.webp   %8.1f ms  peak %.0f MiB\n", since(start), peak_mib());
  const auto entries = picmove::extract_entries(text, tmall536, protected_pictures);
  std::printf("extract_entries %8.1f ms  (%zu candidates)  peak %.0f MiB\n", since(start), entries.size(), peak_mib());
  if (tmall536) {
    picmove::encode_marked_descriptions(text);
    std::printf("encode          %8.1f ms\n", since(start));
  }
  return 0;
}
