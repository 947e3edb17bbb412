// The command line's login: the seller's cookies come from a file instead of a browser window.
#pragma once

#include <filesystem>
#include <string>

#include "imagespace/image_space.h"
#include "imagespace/image_space_login.h"
#include "imagespace/service_endpoints.h"

namespace picmove::cli {

// Reads one cookie text ("name=value; ...") from `file`. A leading "Cookie:" as copied from a
// browser's request headers is dropped, and so are the line ends around it. False with a
// message (never holding the cookies) when the file is unreadable, empty or has several lines.
bool read_cookie_file(const std::filesystem::path& file, std::string& cookies,
                      std::string& error);

// Takes the cookies as the login cookies, asks for the folder tree and confirms the login with
// the folder id given on the command line, as the login window does with the chosen folder.
// Later logins (a resumed run) keep the cookies the run has merged since.
class CookieFileLogin : public LoginProvider {
 public:
  CookieFileLogin(ImageSpaceLogin& login, ServiceEndpoints endpoints, std::string cookies,
                  UploadTarget target)
      : login_(login),
        endpoints_(std::move(endpoints)),
        cookies_(std::move(cookies)),
        target_(std::move(target)) {}

  bool login() override;  // true: refused, see refusal()

  // Why the login was refused (UTF-8), for the one-line error of the command.
  const std::string& refusal() const { return refusal_; }

 private:
  ImageSpaceLogin& login_;
  const ServiceEndpoints endpoints_;
  const std::string cookies_;
  const UploadTarget target_;
  bool confirmed_ = false;
  std::string refusal_;
};

}  // namespace picmove::cli
