// add to list: load the package, normalise its markup, decode 5.36 descriptions and list every
// distinct picture reference.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "package/address_list.h"
#include "package/data_package.h"
#include "package/log_sink.h"
#include "package/options_view.h"

namespace picmove {

// The ordered address pattern list; the last one is the protected-image pattern.
const std::vector<std::string>& address_pattern_list();

struct ListResult {
  bool ran = false;        // false: empty path, nothing done
  bool refused = false;    // the package cannot be processed safely (logged)
  std::size_t count = 0;   // rows listed
};

ListResult add_to_list(DataPackage& package, const OptionsView& options, AddressList& list,
                       LogSink& log);

// The candidates of a package text, before de-duplication (exposed for tests and benchmarks).
std::vector<std::string> extract_entries(const std::string& package_text, bool tmall536,
                                         bool protected_pictures);

}  // namespace picmove
