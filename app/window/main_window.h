// The main window: navigation strip, wizard hint, the pages "开始", "采集", "配置", "帮助",
// the menu "功能菜单", the status bar, the tray icon and the exit confirmation. It owns the data
// package, the address list, the options copies and the processing run.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "app/window/completion_window.h"
#include "app/window/login_window.h"
#include "app/window/message_boxes.h"
#include "app/window/ui_call.h"
#include "app/window/window_options.h"
#include "package/address_list.h"
#include "package/data_package.h"
#include "imagespace/image_space_login.h"
#include "imagespace/service_image_space.h"
#include "transfer/picture.h"
#include "transfer/processing_run.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QSystemTrayIcon;
class QTreeView;

namespace picmove::window {

class AddressListModel;
class LogBox;
class SettingsPage;

struct WindowSetup {
  // The options file is <program_directory>/options/options.ini.
  std::filesystem::path program_directory;
  // How message boxes, the open-file dialog and the exit confirmation are answered; tests
  // replace them.
  MessageAsker ask = ask_with_message_box;
  FileAsker choose_file = ask_with_file_dialog;
  std::function<bool(QWidget* parent)> confirm_exit;  // empty: the exit confirmation window
  PictureEngines engines = PictureEngines::standard();
  // The login before an uploading run; null: the login window.
  LoginProvider* login = nullptr;
  bool tray = true;  // use the tray icon when the desktop has one
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(WindowSetup setup);
  ~MainWindow() override;

  // Loads the settings page from the options file (start-up, before the window is shown).
  void load_settings();

  // Page switch for navigation items 1..4; item 5 asks to exit.
  void navigate(int item);

  // The completion window opened last (null once it was closed).
  CompletionWindow* completion_window() const { return completion_.data(); }

  AddressList& address_list() { return list_; }
  // The option copies the workers read.
  const OptionsView& options() const { return options_; }
  // The seller's image-space login, kept for the whole process.
  ImageSpaceLogin& image_space_login() { return image_space_login_; }
  bool running() const { return running_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class Observer;

  QWidget* make_navigation();
  QWidget* make_start_page();
  QWidget* make_processing_page();
  QWidget* make_help_page();
  void make_menus();
  void make_tray();

  // Handlers of the processing page.
  void choose_package_clicked();
  void add_to_list_clicked();
  void listing_finished(bool ran);
  void remove_selected_clicked();
  void clear_list_clicked();
  void open_address_clicked();
  void copy_address_clicked();
  void start_clicked();
  void pause_clicked();
  void stop_clicked();
  void completion_trigger_clicked();
  void show_list_menu(const QPoint& where);
  std::string topmost_selected_entry() const;

  // Enabled states of the wizard controls.
  void set_running_controls();
  void restore_controls();

  bool ask_exit();
  void exit_program();
  QMessageBox::StandardButton message(const QString& caption, const QString& text,
                                      QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                      QMessageBox::Icon icon = QMessageBox::NoIcon);

  WindowSetup setup_;
  UiCall ui_call_{this};

  DataPackage package_;
  AddressList list_;
  WindowOptions options_;
  ImageSpaceLogin image_space_login_;
  std::unique_ptr<ServiceImageSpace> image_space_;
  std::unique_ptr<LoginWindowProvider> login_window_;
  std::unique_ptr<LogBox> log_;
  std::unique_ptr<Observer> observer_;
  std::unique_ptr<ProcessingRun> run_;
  std::thread listing_;
  bool running_ = false;
  bool listing_now_ = false;
  bool exiting_ = false;

  std::mutex completion_mutex_;
  CompletionTexts completion_texts_;  // handed to the completion trigger
  QPointer<CompletionWindow> completion_;

  // Widgets, named after their units.
  QLabel* hint_ = nullptr;               // 透明标签1
  QStackedWidget* pages_ = nullptr;      // 高级选择夹1
  QLineEdit* path_box_ = nullptr;        // 编辑框3
  QPushButton* choose_ = nullptr;        // 添加到列表2
  QPushButton* add_ = nullptr;           // 添加到列表
  QTreeView* list_view_ = nullptr;       // 超级列表框1
  AddressListModel* model_ = nullptr;
  QLabel* count_ = nullptr;              // 透明标签4
  QPushButton* remove_ = nullptr;        // 按钮6
  QPushButton* start_ = nullptr;         // 开始
  QPushButton* pause_ = nullptr;         // 暂停按钮
  QPushButton* stop_ = nullptr;          // 停止按钮
  QPushButton* trigger_ = nullptr;       // pms
  QPlainTextEdit* log_box_ = nullptr;    // 编辑框2
  SettingsPage* settings_ = nullptr;
  QMenu* list_menu_ = nullptr;           // 列表菜单
  QSystemTrayIcon* tray_ = nullptr;
};

}  // namespace picmove::window
