// The item-publish form posted once to learn an item id for the protection query. It is data,
// not code: a user who captured the platform's own form (with its signature and time stamp)
// puts it in options/publish_form.txt and it is used instead of the copy built in.
#pragma once

#include <filesystem>
#include <string>

namespace picmove {

// The form built into the program (imagespace/publish_form.txt at build time): the fields the
// platform needs to name, URL-encoded, ending in "_tb_token_={token}".
const std::string& builtin_publish_form();

// The form in `options_directory`/publish_form.txt when that file holds one (line ends around
// it dropped); otherwise the built-in form.
std::string load_publish_form(const std::filesystem::path& options_directory);

// Where a replacement form is looked for.
std::filesystem::path publish_form_path(const std::filesystem::path& options_directory);

}  // namespace picmove
