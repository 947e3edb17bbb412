// The login window: the image-space management page in an embedded browser where the seller
// logs in, the folder list taken with that browser's cookies, and the two upload options.
// It is left only through 确认 or 取消.
#pragma once

#include <QDialog>
#include <QNetworkCookie>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/window/message_boxes.h"
#include "http/run_control.h"
#include "imagespace/folder_tree.h"
#include "imagespace/image_space.h"
#include "imagespace/image_space_login.h"
#include "imagespace/service_endpoints.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QWebEngineProfile;
class QWebEngineView;

namespace picmove::window {

// The cookies the embedded browser holds, kept as the browser reports them. The browser's
// profile keeps its cookies in memory only: a login never reaches the disk.
class BrowserCookies {
 public:
  void add(const QNetworkCookie& cookie);
  void remove(const QNetworkCookie& cookie);
  // The cookie text ("name=value; ...") of the cookies that a page on `host` is sent.
  std::string text_for(const QString& host) const;

 private:
  std::vector<QNetworkCookie> cookies_;
};

class LoginWindow : public QDialog {
  Q_OBJECT

 public:
  LoginWindow(ImageSpaceLogin& login, ServiceEndpoints endpoints, QWebEngineProfile* profile,
              const BrowserCookies& cookies, MessageAsker ask, QWidget* parent = nullptr);
  ~LoginWindow() override;

  // True when the window was left through 取消.
  bool cancelled() const { return cancelled_; }
  // The cookie text of the page the browser shows now.
  std::string browser_cookies() const;

 signals:
  void folders_refreshed();  // the folder list was filled from an answer

 protected:
  void closeEvent(QCloseEvent* event) override;  // refused: 确认 or 取消 only
  void reject() override;                        // Escape does nothing either

 private:
  void refresh_clicked();
  void confirm_clicked();
  void cancel_clicked();
  void show_folders(const FolderTree& tree);
  void end_refresh();

  ImageSpaceLogin& login_;
  const ServiceEndpoints endpoints_;
  const BrowserCookies& cookies_;
  MessageAsker ask_;
  bool cancelled_ = true;

  QWebEngineView* browser_ = nullptr;  // 互联网浏览器1
  QComboBox* folders_ = nullptr;       // 组合框1
  QPushButton* refresh_ = nullptr;     // 按钮1
  QCheckBox* public_ = nullptr;        // 选择框1
  QCheckBox* watermark_ = nullptr;     // 选择框2

  // The folder request runs beside the window so that it stays responsive; closing the window
  // stops it.
  std::thread refresh_thread_;
  std::shared_ptr<RunControl> refresh_control_;
};

// The login of an uploading run: opens the login window modally and reports 取消.
class LoginWindowProvider : public LoginProvider {
 public:
  LoginWindowProvider(ImageSpaceLogin& login, ServiceEndpoints endpoints, MessageAsker ask,
                      QWidget* parent);
  ~LoginWindowProvider() override;
  bool login() override;

 private:
  ImageSpaceLogin& login_;
  const ServiceEndpoints endpoints_;
  MessageAsker ask_;
  QWidget* parent_;
  QWebEngineProfile* profile_ = nullptr;  // one per process, so a login outlives its window
  BrowserCookies cookies_;
};

}  // namespace picmove::window
