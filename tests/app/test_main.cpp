// Runs every window test class in one QApplication.
#include <QApplication>
#include <QTest>

#include <cstdlib>
#include <memory>

QObject* make_main_window_test();
QObject* make_seams_test();
QObject* make_login_window_test();

int main(int argc, char* argv[]) {
  // As the program does, the login window's browser shares rendering with the widgets. Its
  // sandbox does not start as root nor in many containers; the tests show it only pages of
  // their own on 127.0.0.1, so it runs without one here.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  int failures = 0;
  for (auto* make : {make_seams_test, make_main_window_test, make_login_window_test}) {
    std::unique_ptr<QObject> test(make());
    failures += QTest::qExec(test.get(), argc, argv);
  }
  return failures == 0 ? 0 : 1;
}
