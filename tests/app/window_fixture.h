// Pieces shared by the window tests: answers for the message boxes and dialogs, a picture host
// on 127.0.0.1, a small GBK package written to a temporary folder, and widget look-ups.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/window/main_window.h"
#include "support/local_http_server.h"
#include "support/temp_dir.h"

namespace picmove::window_test {

// Records every message box and answers with `next`.
struct Answers {
  std::vector<window::MessageRequest> seen;
  QMessageBox::StandardButton next = QMessageBox::Ok;
  QString file;  // what the open-file dialog returns
  int exit_questions = 0;
  bool exit_answer = false;
};

// A window wired to `answers`, reading its options below `program_directory`; no tray.
// `login` stands for the login window before an uploading run (null: the real one).
std::unique_ptr<window::MainWindow> make_window(Answers& answers,
                                               const std::filesystem::path& program_directory,
                                               LoginProvider* login = nullptr);

// Serves "/ok/..." as a JPEG whose bytes end with the path, and holds "/hang/..." without an
// answer until the host goes away.
class PictureHost {
 public:
  PictureHost();
  std::string url(const std::string& path) const { return server_.base_url() + path; }

 private:
  test::LocalHttpServer server_;
};

// A package in the shop export layout whose descriptions reference `urls` (the first one twice).
// Returns its GBK text; the file is written to `file`.
std::string write_package(const std::filesystem::path& file, const std::vector<std::string>& urls);

// The list entry of a description picture: its quote marker followed by the address.
inline std::string entry_of(const std::string& url) { return "\"" + url; }

template <typename T>
T* child(QWidget* parent, const char* name) {
  return parent->findChild<T*>(QString::fromUtf8(name));
}

// The completion window on screen, if any.
QWidget* completion_window();

// How often `needle` occurs in `text`.
std::size_t occurrences(const std::string& text, const std::string& needle);

}  // namespace picmove::window_test
