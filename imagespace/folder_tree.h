// The login's folder tree: which image-space folders the seller has, and the choice of one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/run_control.h"
#include "imagespace/image_space_login.h"
#include "imagespace/service_endpoints.h"

namespace picmove {

// Every non-blank text between an occurrence of `left` and the next `right` after it, in order,
// with ASCII and full-width spaces trimmed. Case is respected; a GBK character is one unit.
std::vector<std::string> extract_all_between(std::string_view text, std::string_view left,
                                             std::string_view right);

// The folder names and ids of a folder-tree answer (GBK). A blank name is left out while its
// id is kept, so positions can then differ.
struct FolderTree {
  std::vector<std::string> names;
  std::vector<std::string> ids;
};
FolderTree read_folder_tree(std::string_view answer_gbk);

// Takes `browser_cookies` as the login cookies, asks the service for the folder tree with them
// and keeps the folders in the login. Not logged in, or no answer: no folders.
FolderTree refresh_folders(ImageSpaceLogin& login, const ServiceEndpoints& endpoints,
                           const std::string& browser_cookies, RunControl* control = nullptr);

// The refusal of a login without cookies or without a chosen folder.
const std::string& login_incomplete_message();  // GBK

// Confirms the login with the folder at `selected` (a position in the folder names) and the two
// upload options. False, with nothing changed, when there are no login cookies, no folder was
// chosen, or the chosen position has no id.
bool confirm_login(ImageSpaceLogin& login, std::optional<std::size_t> selected, bool public_flag,
                   bool watermark_flag);

}  // namespace picmove
