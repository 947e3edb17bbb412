#include "window_fixture.h"

#include "package/gbk.h"

namespace picmove::window_test {

std::unique_ptr<window::MainWindow> make_window(Answers& answers,
                                               const std::filesystem::path& program_directory,
                                               LoginProvider* login) {
  window::WindowSetup setup;
  setup.login = login;
  setup.program_directory = program_directory;
  setup.ask = [&answers](QWidget*, const window::MessageRequest& request) {
    answers.seen.push_back(request);
    return answers.next;
  };
  setup.choose_file = [&answers](QWidget*, const QString&, const QString&) { return answers.file; };
  setup.confirm_exit = [&answers](QWidget*) {
    ++answers.exit_questions;
    return answers.exit_answer;
  };
  setup.tray = false;
  return std::make_unique<window::MainWindow>(std::move(setup));
}

PictureHost::PictureHost()
    : server_([](const test::HttpExchange& exchange) {
        test::HttpReply reply;
        if (exchange.target.rfind("/hang/", 0) == 0) {
          reply.never_answer = true;
        } else if (exchange.target.rfind("/ok/", 0) == 0) {
          reply.headers = {{"Content-Type", "image/jpeg"}};
          reply.body = std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + exchange.target;
        } else {
          reply.status = 404;
          reply.reason = "Not Found";
          reply.body = "404 Not Found";
        }
        return reply;
      }) {}

std::string write_package(const std::filesystem::path& file, const std::vector<std::string>& urls) {
  std::string text = "version 1.00\r\ntitle\tcid\tdescription\r\n";
  text += gbk("宝贝一") + "\t50010850\t\"<p>" + gbk("说明");
  for (const auto& url : urls) text += "<img src=\"\"" + url + "\"\">";
  text += "</p>\"\r\n";
  text += gbk("宝贝二") + "\t50010850\t\"<div><img src=\"\"" + urls.front() + "\"\"></div>\"\r\n";
  test::write_bytes(file, text);
  return text;
}

QWidget* completion_window() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == QStringLiteral("completion_window") && widget->isVisible()) {
      return widget;
    }
  }
  return nullptr;
}

std::size_t occurrences(const std::string& text, const std::string& needle) {
  std::size_t count = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + needle.size())) {
    ++count;
  }
  return count;
}

}  // namespace picmove::window_test
