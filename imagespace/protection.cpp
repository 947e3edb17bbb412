#include "imagespace/protection.h"

#include "http/text_helpers.h"
#include "http/web_request.h"
#include "package/gbk.h"

namespace picmove {

namespace {

constexpr const char* kFormAgent =
    "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64; Trident/7.0; rv:11.0) like Gecko";

std::string publish_headers(const ServiceEndpoints& endpoints) {
  return std::string("Content-Type: application/x-www-form-urlencoded; charset=UTF-8") +
         "\r\nAccept: application/json, text/javascript, */*; q=0.01" +
         "\r\nAccept-Language: zh-CN\r\n" + kFormAgent +
         "\r\nHost: " + service_host(endpoints.publish) + "\r\nConnection: Keep-Alive";
}

std::string batch_delete_headers(const ServiceEndpoints& endpoints) {
  return std::string("Content-Type: application/x-www-form-urlencoded; charset=UTF-8") +
         "\r\nAccept: application/json, text/javascript, */*; q=0.01" + "\r\nReferer: " +
         service_address(endpoints.manage,
                         "/redaction/manager.htm?spm=686.1000925.a1zvx.d54.FsGLd1") +
         "\r\nAccept-Language: zh-CN\r\nAccept-Encoding: gzip, deflate\r\n" + kFormAgent +
         "\r\nHost: " + service_host(endpoints.manage) + "\r\nConnection: Keep-Alive";
}

// One exchange with the login's cookies; the answer as text up to its first zero byte.
std::string ask(ImageSpaceLogin& login, std::string url, int method, std::string body,
                std::string headers, RunControl* control) {
  WebRequestArgs args;
  args.url = std::move(url);
  args.method = method;
  args.body_text = std::move(body);
  args.cookies = login.cookie_slot();
  args.cookies_lock = login.cookie_lock();
  args.headers = std::move(headers);
  args.control = control;
  const std::string answer = web_request(args);
  return std::string(answer.c_str());
}

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace

std::string form_token(const std::string& cookies) {
  return text_between(cookies, "token_=", ";");
}

bool image_is_protected(ImageSpaceLogin& login, const ServiceEndpoints& endpoints,
                        const std::string& publish_form, const std::string& new_address,
                        RunControl* control) {
  std::string item_id = login.item_id();
  if (item_id.empty()) {
    const std::string form = replace_all(publish_form, "{token}", form_token(login.cookies()));
    const std::string answer =
        ask(login, service_address(endpoints.publish, "/auction/publish/publish.htm"), 1,
            gbk_to_utf8(form), publish_headers(endpoints), control);
    item_id = text_between(answer, "itemId=", "&catId");
    // Two first calls at once may both ask; the later answer wins, as either id serves.
    if (!item_id.empty()) login.set_item_id(item_id);
  }
  const std::string answer = ask(
      login,
      service_address(endpoints.publish,
                      "/auction/container/get_data.htm?_input_charset=utf-8&_output_charset=utf-8"),
      1,
      "catId=50010850&module=imgProtect&itemId=" + item_id +
          "&pos=0&pic=" + text_after_last(new_address, "/"),
      publish_headers(endpoints), control);
  if (answer.empty()) return false;
  return answer.find("pass") == std::string::npos;
}

void batch_delete(ImageSpaceLogin& login, const ServiceEndpoints& endpoints,
                  const std::string& file_id, RunControl* control) {
  ask(login,
      service_address(endpoints.manage, "/redaction/redaction/json.json?cmd=json_batch_delete"
                                        "&file_ids=" + file_id + "&_input_charset=utf-8"),
      0, {}, batch_delete_headers(endpoints), control);
}

}  // namespace picmove
