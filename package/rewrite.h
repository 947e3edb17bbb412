// Rewrites of the working text for one pending image, and the end-of-run cleaning.
#pragma once

#include <string>

#include "package/log_sink.h"
#include "package/options_view.h"
#include "package/working_text.h"

namespace picmove {

// marker + new address in place of the entry text. Not for "#" entries.
void rewrite_to_uploaded_address(WorkingText& text, const std::string& entry,
                                 const std::string& new_address);

// The reference to a local picture: marker + "FILE:///" + absolute path without its leading "/";
// for the marker ">" the marker + the absolute path as it is. `gbk_path` is absolute, GBK.
std::string local_reference(char marker, const std::string& gbk_path);

// Replaces the entry text by local_reference(marker, gbk_path).
void rewrite_to_local_file(WorkingText& text, const std::string& entry,
                           const std::string& gbk_path);

// Removes every occurrence of the address; the surrounding markup stays.
void delete_address(WorkingText& text, const std::string& address);

// The cleaning at the end of a run (leftovers, special code, links, main-image links, ALT
// texts) and the 5.36 re-encoding, with their log lines.
void finish_descriptions(std::string& package_text, const OptionsView& options, LogSink& log);

}  // namespace picmove
