#include "app/window/login_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "package/gbk.h"

namespace picmove::window {

namespace {

template <typename T>
T* named(T* widget, const char* name) {
  widget->setObjectName(QString::fromUtf8(name));
  return widget;
}

QString from_gbk(const std::string& text) { return QString::fromStdString(gbk_to_utf8(text)); }

// Whether a cookie set for `domain` is sent to `host` (RFC 6265 domain matching).
bool domain_matches(const QString& domain, const QString& host) {
  if (domain.isEmpty()) return true;
  const QString bare = domain.startsWith(QLatin1Char('.')) ? domain.mid(1) : domain;
  return host.compare(bare, Qt::CaseInsensitive) == 0 ||
         host.endsWith(QLatin1Char('.') + bare, Qt::CaseInsensitive);
}

}  // namespace

void BrowserCookies::add(const QNetworkCookie& cookie) {
  for (QNetworkCookie& known : cookies_) {
    if (known.hasSameIdentifier(cookie)) {
      known = cookie;
      return;
    }
  }
  cookies_.push_back(cookie);
}

void BrowserCookies::remove(const QNetworkCookie& cookie) {
  std::erase_if(cookies_,
                [&](const QNetworkCookie& known) { return known.hasSameIdentifier(cookie); });
}

std::string BrowserCookies::text_for(const QString& host) const {
  std::string text;
  for (const QNetworkCookie& cookie : cookies_) {
    if (!domain_matches(cookie.domain(), host)) continue;
    if (!text.empty()) text += "; ";
    text += cookie.name().toStdString() + "=" + cookie.value().toStdString();
  }
  return text;
}

LoginWindow::LoginWindow(ImageSpaceLogin& login, ServiceEndpoints endpoints,
                         QWebEngineProfile* profile, const BrowserCookies& cookies,
                         MessageAsker ask, QWidget* parent)
    : QDialog(parent),
      login_(login),
      endpoints_(std::move(endpoints)),
      cookies_(cookies),
      ask_(std::move(ask)) {
  setObjectName(QStringLiteral("login_window"));
  setWindowTitle(QStringLiteral("登陆淘宝图片空间"));
  setModal(true);
  resize(1000, 720);

  auto* layout = new QVBoxLayout(this);
  browser_ = named(new QWebEngineView(this), "互联网浏览器1");
  browser_->setPage(new QWebEnginePage(profile, browser_));
  layout->addWidget(browser_, 1);

  auto* step_one = named(
      new QLabel(QStringLiteral("1、在上述窗口中登陆淘宝图片空间（请勿担心安全问题，此为淘宝官网登陆页面，"
                                "如担心安全问题，请用子账号并设置好权限后再登陆，官方不再作任何安全与否的解释）"),
                 this),
      "标签1");
  step_one->setWordWrap(true);
  layout->addWidget(step_one);

  auto* row = new QHBoxLayout;
  row->addWidget(named(new QLabel(QStringLiteral("2、点右边的刷新，选择图片要上传的文件夹"), this), "标签2"));
  folders_ = named(new QComboBox(this), "组合框1");
  folders_->setMinimumWidth(160);
  row->addWidget(folders_);
  refresh_ = named(new QPushButton(QStringLiteral("刷新"), this), "按钮1");
  row->addWidget(refresh_);
  row->addStretch(1);
  layout->addLayout(row);

  row = new QHBoxLayout;
  public_ = named(new QCheckBox(QStringLiteral("上传为非防盗链图片"), this), "选择框1");
  row->addWidget(public_);
  watermark_ = named(new QCheckBox(QStringLiteral("添加水印（水印在淘宝图片空间设置）"), this), "选择框2");
  row->addWidget(watermark_);
  row->addStretch(1);
  row->addWidget(named(new QLabel(QStringLiteral("3、选好配置后点确定"), this), "标签3"));
  auto* confirm = named(new QPushButton(QStringLiteral("确认"), this), "按钮2");
  auto* cancel = named(new QPushButton(QStringLiteral("取消"), this), "按钮3");
  confirm->setAutoDefault(false);
  cancel->setAutoDefault(false);
  refresh_->setAutoDefault(false);
  row->addWidget(confirm);
  row->addWidget(cancel);
  layout->addLayout(row);

  connect(refresh_, &QPushButton::clicked, this, &LoginWindow::refresh_clicked);
  connect(confirm, &QPushButton::clicked, this, &LoginWindow::confirm_clicked);
  connect(cancel, &QPushButton::clicked, this, &LoginWindow::cancel_clicked);

  // Every opening shows the management page anew, as the platform's own login.
  browser_->load(QUrl(QString::fromStdString(management_page_address(endpoints_))));
}

LoginWindow::~LoginWindow() { end_refresh(); }

std::string LoginWindow::browser_cookies() const { return cookies_.text_for(browser_->url().host()); }

void LoginWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

void LoginWindow::reject() {}

void LoginWindow::end_refresh() {
  if (refresh_control_) refresh_control_->stop();
  if (refresh_thread_.joinable()) refresh_thread_.join();
  refresh_control_.reset();
}

void LoginWindow::refresh_clicked() {
  end_refresh();
  refresh_->setEnabled(false);
  auto control = std::make_shared<RunControl>();
  refresh_control_ = control;
  refresh_thread_ = std::thread([this, control, cookies = browser_cookies()] {
    const FolderTree tree = refresh_folders(login_, endpoints_, cookies, control.get());
    if (control->stopped()) return;
    // Posted events die with the window, and the window joins this thread before it goes.
    QMetaObject::invokeMethod(this, [this, tree] { show_folders(tree); }, Qt::QueuedConnection);
  });
}

void LoginWindow::show_folders(const FolderTree& tree) {
  folders_->clear();
  for (const std::string& name : tree.names) folders_->addItem(from_gbk(name));
  if (folders_->count() > 0) folders_->setCurrentIndex(0);
  refresh_->setEnabled(true);
  emit folders_refreshed();
}

void LoginWindow::confirm_clicked() {
  const int chosen = folders_->currentIndex();
  if (!confirm_login(login_, chosen >= 0 ? std::optional<std::size_t>(chosen) : std::nullopt,
                     public_->isChecked(), watermark_->isChecked())) {
    MessageRequest request;
    request.caption = QStringLiteral("信息：");
    request.text = from_gbk(login_incomplete_message());
    ask_(this, request);
    return;
  }
  cancelled_ = false;
  QDialog::done(QDialog::Accepted);
}

void LoginWindow::cancel_clicked() {
  cancelled_ = true;
  QDialog::done(QDialog::Rejected);
}

LoginWindowProvider::LoginWindowProvider(ImageSpaceLogin& login, ServiceEndpoints endpoints,
                                         MessageAsker ask, QWidget* parent)
    : login_(login), endpoints_(std::move(endpoints)), ask_(std::move(ask)), parent_(parent) {}

LoginWindowProvider::~LoginWindowProvider() { delete profile_; }

bool LoginWindowProvider::login() {
  if (profile_ == nullptr) {
    // A profile without a storage name is off the record: cookies and cache stay in memory.
    profile_ = new QWebEngineProfile();
    profile_->setHttpUserAgent(QString::fromLatin1(kLoginBrowserAgent));
    QWebEngineCookieStore* store = profile_->cookieStore();
    QObject::connect(store, &QWebEngineCookieStore::cookieAdded, store,
                     [this](const QNetworkCookie& cookie) { cookies_.add(cookie); });
    QObject::connect(store, &QWebEngineCookieStore::cookieRemoved, store,
                     [this](const QNetworkCookie& cookie) { cookies_.remove(cookie); });
  }
  LoginWindow window(login_, endpoints_, profile_, cookies_, ask_, parent_);
  window.exec();
  return window.cancelled();
}

}  // namespace picmove::window
