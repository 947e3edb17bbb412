// Runs every window test class in one QApplication.
#include <QApplication>
#include <QTest>

#include <memory>

QObject* make_main_window_test();
QObject* make_seams_test();

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  int failures = 0;
  for (auto* make : {make_seams_test, make_main_window_test}) {
    std::unique_ptr<QObject> test(make());
    failures += QTest::qExec(test.get(), argc, argv);
  }
  return failures == 0 ? 0 : 1;
}
