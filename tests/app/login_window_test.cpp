// The login window with its embedded browser, against the fake image-space service: the page
// sets the login cookies, 刷新 lists the folders with them, 确认 keeps the chosen folder.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include "app/window/login_window.h"
#include "support/fake_image_space.h"
#include "window_fixture.h"

namespace picmove::window_test {

using window::LoginWindow;
using window::LoginWindowProvider;

class LoginWindowTest : public QObject {
  Q_OBJECT

 private:
  static LoginWindow* open_login_window() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() == QStringLiteral("login_window") && widget->isVisible()) {
        return static_cast<LoginWindow*>(widget);
      }
    }
    return nullptr;
  }

  // Runs `drive` on the login window once it is open, then makes sure the window is left (with
  // 取消) even when a check inside `drive` failed, so the modal login always returns.
  static void when_open(std::function<void(LoginWindow*)> drive) {
    QTimer::singleShot(0, [drive] {
      QTest::qWaitFor([] { return open_login_window() != nullptr; }, 10000);
      LoginWindow* window = open_login_window();
      if (window == nullptr) return;
      drive(window);
      if (open_login_window() == window) child<QPushButton>(window, "按钮3")->click();
    });
  }


 private slots:
  void refreshListsTheFoldersAndConfirmKeepsTheChoice() {
    test::FakeImageSpaceService service;
    service.set_folder_tree(R"({"dirs":[{"name":"全部图片","id":"0","open":true},)"
                            R"({"name":"店铺装修","id":"77","open":false},)"
                            R"({"name":"宝贝图片","id":"1001","open":false}]})");
    ImageSpaceLogin login;
    Answers answers;
    auto ask = [&answers](QWidget*, const window::MessageRequest& request) {
      answers.seen.push_back(request);
      return QMessageBox::Ok;
    };
    LoginWindowProvider provider(login, service.endpoints(), ask, nullptr);

    bool driven = false;
    when_open([&](LoginWindow* w) {
      QCOMPARE(w->windowTitle(), QStringLiteral("登陆淘宝图片空间"));
      // 确认 before any 刷新: the message, and the window stays.
      child<QPushButton>(w, "按钮2")->click();
      QCOMPARE(answers.seen.size(), std::size_t{1});
      QCOMPARE(answers.seen[0].caption, QStringLiteral("信息："));
      QCOMPARE(answers.seen[0].text, QStringLiteral("未登陆或未选择图片上传存放的文件夹！"));
      QVERIFY(w->isVisible());
      // The title bar's close button does nothing either.
      w->close();
      QVERIFY(w->isVisible());

      // The page the browser loaded set the login cookies.
      QTRY_VERIFY_WITH_TIMEOUT(w->browser_cookies().find("cookie2=good") != std::string::npos,
                               30000);
      child<QPushButton>(w, "按钮1")->click();
      auto* folders = child<QComboBox>(w, "组合框1");
      QTRY_COMPARE_WITH_TIMEOUT(folders->count(), 3, 10000);
      QCOMPARE(folders->currentIndex(), 0);
      QCOMPARE(folders->itemText(2), QStringLiteral("宝贝图片"));
      folders->setCurrentIndex(2);
      child<QCheckBox>(w, "选择框1")->setChecked(true);
      child<QPushButton>(w, "按钮2")->click();
      QVERIFY(!w->isVisible());
      driven = true;
    });
    const bool cancelled = provider.login();
    QVERIFY(driven);
    QVERIFY(!cancelled);
    QCOMPARE(login.target().folder_id, std::string("1001"));
    QCOMPARE(login.target().public_flag, std::string("true"));
    QCOMPARE(login.target().watermark_flag, std::string("false"));

    // The page came with the login agent; the folder request carried the browser's cookies.
    const auto page = service.requests("/redaction/manager.htm");
    QVERIFY(!page.empty());
    QCOMPARE(page[0].header("User-Agent"), std::string(kLoginBrowserAgent));
    const auto tree = service.requests("/redaction/redaction/json.json?cmd=json_dirTree_query");
    QCOMPARE(tree.size(), std::size_t{1});
    const std::string sent = tree[0].header("Cookie");
    QVERIFY2(sent.find("cookie2=good") != std::string::npos, sent.c_str());
    QVERIFY2(sent.find("_tb_token_=tok123") != std::string::npos, sent.c_str());
    QVERIFY(login.cookies().find("cookie2=good") != std::string::npos);
  }

  void cancelLeavesTheLoginAsItWas() {
    test::FakeImageSpaceService service;
    ImageSpaceLogin login;
    login.set_cookies("cookie2=old");
    login.set_target({"55", "true", "true"});
    LoginWindowProvider provider(login, service.endpoints(), {}, nullptr);
    bool driven = false;
    when_open([&](LoginWindow* w) {
      child<QPushButton>(w, "按钮3")->click();
      QVERIFY(!w->isVisible());
      driven = true;
    });
    QVERIFY(provider.login());
    QVERIFY(driven);
    QCOMPARE(login.cookies(), std::string("cookie2=old"));
    QCOMPARE(login.target().folder_id, std::string("55"));
    QCOMPARE(login.target().watermark_flag, std::string("true"));
  }

  void browserCookiesAreThoseOfThePagesHost() {
    window::BrowserCookies cookies;
    QNetworkCookie a("a", "1");
    a.setDomain(QStringLiteral(".taobao.com"));
    QNetworkCookie b("b", "2");
    b.setDomain(QStringLiteral("tadget.taobao.com"));
    QNetworkCookie c("c", "3");
    c.setDomain(QStringLiteral("other.example"));
    QNetworkCookie a2("a", "9");
    a2.setDomain(QStringLiteral(".taobao.com"));
    for (const auto& cookie : {a, b, c, a2}) cookies.add(cookie);
    QCOMPARE(cookies.text_for(QStringLiteral("tadget.taobao.com")), std::string("a=9; b=2"));
    QCOMPARE(cookies.text_for(QStringLiteral("taobao.com")), std::string("a=9"));
    QCOMPARE(cookies.text_for(QStringLiteral("nottaobao.com")), std::string());
    cookies.remove(a2);
    QCOMPARE(cookies.text_for(QStringLiteral("tadget.taobao.com")), std::string("b=2"));
  }
};

}  // namespace picmove::window_test

QObject* make_login_window_test() { return new picmove::window_test::LoginWindowTest; }

#include "login_window_test.moc"
