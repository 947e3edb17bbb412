#include "imagespace/upload.h"

#include <chrono>
#include <thread>

#include "http/text_helpers.h"
#include "http/web_request.h"
#include "package/gbk.h"

namespace picmove {

namespace {

constexpr auto kMinimumCall = std::chrono::milliseconds(1400);
constexpr const char* kBoundaryLine = "------WebKitFormBoundaryBW5dA7zLITBSSTOE";

bool holds(const std::string& text, std::string_view part) {
  return gbk_find(text, part) != std::string::npos;
}

// The form with its placeholder: 376 bytes, beginning with CR LF, no line end at the end.
const std::string& body_template() {
  static const std::string form = [] {
    const std::string crlf = "\r\n";
    const std::string boundary = kBoundaryLine;
    return crlf + boundary + crlf +                                        //
           R"(Content-Disposition: form-data; name="name")" + crlf + crlf +  //
           "123.jpg" + crlf + boundary + crlf +                            //
           R"(Content-Disposition: form-data; name="ua")" + crlf + crlf +  //
           crlf + boundary + crlf +                                        //
           R"(Content-Disposition: form-data; name="file"; filename="123.jpg")" + crlf +
           "Content-Type: image/jpeg" + crlf + crlf +  //
           gbk("[字节集]") + crlf + boundary + "--";
  }();
  return form;
}

}  // namespace

std::string upload_body(const std::string& picture) {
  std::string body = body_template();
  const std::string placeholder = gbk("[字节集]");
  body.replace(body.find(placeholder), placeholder.size(), picture);
  return body;
}

std::string upload_headers(const ServiceEndpoints& endpoints) {
  return std::string("Content-Type:multipart/form-data; boundary=") + (kBoundaryLine + 2) +
         "\r\nUser-Agent:" + kLoginBrowserAgent +                              //
         "\r\nReferer: " + service_address(endpoints.material, "/") +         //
         "\r\nAccept-Language: zh-CN" +                                        //
         "\r\nOrigin: " + service_address(endpoints.material, "") +           //
         "\r\nAccept-Encoding: gzip, deflate" +                                //
         "\r\nHost: " + service_host(endpoints.upload) +                       //
         "\r\nConnection: Keep-Alive" +                                        //
         "\r\nCache-Control: no-cache";
}

std::string upload_address(const ServiceEndpoints& endpoints, const UploadTarget& target,
                           const std::string& resize_width) {
  const std::string resize =
      resize_width != "0" ? "&compress=true&resizeWidth=" + resize_width : std::string();
  // Two slashes after the host, as the service is used to getting them.
  return service_address(endpoints.upload, "//api/upload.api") + "?appkey=" + endpoints.appkey +
         "&folderId=" + target.folder_id + "&watermark=" + target.watermark_flag +
         "&_input_charset=utf-8" + resize + "&isPublic=" + target.public_flag;
}

const std::string& upload_risk_message() {
  static const std::string message =
      gbk(" 图片上传失败，账号存在风险，请打开浏览器登陆图片空间上传一张图片并通过滑块验证！");
  return message;
}

const std::string& upload_full_message() {
  static const std::string message =
      gbk(" 图片上传失败，图片空间不足，请打开浏览器登陆图片空间腾出空间或购买空间！");
  return message;
}

std::string read_upload_answer(const std::string& answer) {
  if (holds(answer, gbk("风险")) || holds(answer, "/api/upload.api/_____tmd_____/punish")) {
    return upload_risk_message();
  }
  if (holds(answer, gbk("不足"))) return upload_full_message();
  return text_between(answer, R"(fileId":")", R"(","folderId)") + "," +
         text_between(answer, R"(size":")", R"(","pix)") + "," +
         text_between(answer, R"(url":")", R"(","fileName)");
}

std::string upload_picture(ImageSpaceLogin& login, const ServiceEndpoints& endpoints,
                           const std::string& picture, const std::string& resize_width,
                           RunControl* control) {
  const auto started = std::chrono::steady_clock::now();
  WebRequestArgs args;
  args.url = upload_address(endpoints, login.target(), resize_width);
  args.method = 1;
  args.body_bytes = upload_body(picture);
  args.cookies = login.cookie_slot();
  args.cookies_lock = login.cookie_lock();
  args.headers = upload_headers(endpoints);
  args.control = control;
  const std::string body = web_request(args);
  const std::string answer = utf8_to_gbk(std::string_view(body.c_str()));

  // The service is never asked more often than once per 1.4 s and worker.
  const auto rest = kMinimumCall - std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now() - started);
  if (rest.count() > 0) {
    if (control != nullptr) {
      control->sleep_for(rest);
    } else {
      std::this_thread::sleep_for(rest);
    }
  }
  return read_upload_answer(answer);
}

}  // namespace picmove
