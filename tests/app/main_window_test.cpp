// The main window driven through its widgets: pages, settings, listing, runs, stops, closing.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <chrono>

#include "app/options/profile_file.h"
#include "package/gbk.h"
#include "transfer/failure_policy.h"
#include "support/fake_image_space.h"
#include "window_fixture.h"

namespace picmove::window_test {

using window::MainWindow;

// Stands for the login window: confirms the seller's login or cancels it.
class ScriptedLogin : public LoginProvider {
 public:
  bool login() override {
    ++count;
    if (!cancel && record != nullptr) {
      record->set_cookies("cookie2=good; _tb_token_=tok123");
      record->set_target({"1001", "false", "false"});
    }
    return cancel;
  }
  ImageSpaceLogin* record = nullptr;
  bool cancel = false;
  int count = 0;
};

// The service hosts of the options file next to the program point at `service`.
static void use_service(const test::TempDir& dir, const test::FakeImageSpaceService& service) {
  std::filesystem::create_directories(dir / "options");
  test::write_bytes(dir / "options" / "options.ini", service.service_section());
}

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  struct Loaded {
    std::unique_ptr<MainWindow> window;
    std::filesystem::path package;
    std::string original;  // the package bytes as written
    bool listed = false;   // add to list finished and the buttons came back
  };

  // A shown window with a package of `urls` chosen and listed, upload unticked.
  Loaded load(Answers& answers, test::TempDir& dir, const std::vector<std::string>& urls,
              LoginProvider* login = nullptr) {
    Loaded loaded;
    loaded.window = make_window(answers, dir.path(), login);
    loaded.window->load_settings();
    loaded.window->show();
    loaded.package = dir / "shop.csv";
    loaded.original = write_package(loaded.package, urls);
    answers.file = QString::fromStdString(loaded.package.string());
    child<QPushButton>(loaded.window.get(), "添加到列表2")->click();
    auto* add = child<QPushButton>(loaded.window.get(), "添加到列表");
    add->click();
    loaded.listed = !add->isEnabled() && QTest::qWaitFor([add] { return add->isEnabled(); }, 10000);
    child<QCheckBox>(loaded.window.get(), "选择框2")->setChecked(false);
    return loaded;
  }

  static int rows(MainWindow* w) { return child<QTreeView>(w, "超级列表框1")->model()->rowCount(); }
  static QString row_text(MainWindow* w, int row) {
    auto* model = child<QTreeView>(w, "超级列表框1")->model();
    return model->data(model->index(row, 0)).toString();
  }
  static bool enabled(MainWindow* w, const char* name) { return child<QWidget>(w, name)->isEnabled(); }

  // Enabled states of the wizard controls, in this order.
  static QString control_states(MainWindow* w) {
    QString states;
    for (const char* name : {"添加到列表2", "添加到列表", "开始", "暂停按钮", "停止按钮",
                             "超级列表框1", "按钮6"}) {
      states += enabled(w, name) ? QLatin1Char('1') : QLatin1Char('0');
    }
    return states;
  }

 private slots:
  void init() { set_failure_policy(0); }

  void startsOnTheStartPageWithIdleControls() {
    Answers answers;
    test::TempDir dir;
    auto w = make_window(answers, dir.path());
    QCOMPARE(w->windowTitle(), QStringLiteral("picmove"));
    QCOMPARE(child<QStackedWidget>(w.get(), "高级选择夹1")->currentIndex(), 0);
    QCOMPARE(child<QLabel>(w.get(), "透明标签1")->text(), QString());
    QCOMPARE(control_states(w.get()), QStringLiteral("1100011"));
    QCOMPARE(child<QPushButton>(w.get(), "暂停按钮")->text(), QStringLiteral("暂停"));
    QCOMPARE(child<QLabel>(w.get(), "透明标签4")->text(), QStringLiteral("0"));
    QVERIFY(!child<QPushButton>(w.get(), "pms")->isVisible());
    const auto labels = w->statusBar()->findChildren<QLabel*>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [](QLabel* l) {
      return l->text() == QStringLiteral("版本号：V3.1.3");
    }));
  }

  void navigationSwitchesPageAndHint_data() {
    QTest::addColumn<QString>("source");  // a navigation item number or a menu entry
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("step_one_hint");
    QTest::newRow("item 2") << "2" << 1 << true;
    QTest::newRow("item 1") << "1" << 0 << false;
    QTest::newRow("item 3") << "3" << 2 << false;
    QTest::newRow("item 4") << "4" << 3 << false;
    QTest::newRow("menu 处理向导") << "处理向导" << 1 << true;
    QTest::newRow("menu 搬家配置") << "搬家配置" << 2 << false;
  }

  void navigationSwitchesPageAndHint() {
    QFETCH(QString, source);
    QFETCH(int, page);
    QFETCH(bool, step_one_hint);
    Answers answers;
    test::TempDir dir;
    auto w = make_window(answers, dir.path());
    // Start from the other kind of hint so that every switch has to change it.
    w->navigate(step_one_hint ? 3 : 2);
    bool is_item = false;
    const int item = source.toInt(&is_item);
    if (is_item) {
      w->navigate(item);
    } else {
      QAction* entry = nullptr;
      for (QAction* action : w->menuBar()->findChild<QMenu*>(QStringLiteral("功能菜单"))->actions()) {
        if (action->text() == source) entry = action;
      }
      QVERIFY(entry);
      entry->trigger();
    }
    QCOMPARE(child<QStackedWidget>(w.get(), "高级选择夹1")->currentIndex(), page);
    const QString hint = child<QLabel>(w.get(), "透明标签1")->text();
    QCOMPARE(hint.startsWith(QStringLiteral("第一步：选择待处理的数据包CSV文件。")), step_one_hint);
    if (!step_one_hint) QCOMPARE(hint, QString());
  }

  void settingsLoadIntoThePageAndSaveBack() {
    Answers answers;
    test::TempDir dir;
    const auto ini = dir / "options" / "options.ini";
    std::filesystem::create_directories(ini.parent_path());
    test::write_bytes(ini, "[DL_PIC]\r\nfall=1\r\nqcl=3\r\nqcllr=" + gbk("http://店铺.example/") +
                               "\r\nqztlj=1\r\nqalt=0\r\nqchd=1\r\ntmsj=0\r\n[PR_INFO]\r\nbackups=" +
                               gbk("真") + "\r\n");
    auto w = make_window(answers, dir.path());
    w->load_settings();

    auto* policy = child<QComboBox>(w.get(), "组合框1");
    QCOMPARE(policy->currentText(), QStringLiteral("保持不变"));
    QCOMPARE(failure_policy(), 1);
    QVERIFY(child<QCheckBox>(w.get(), "选择框1")->isChecked());
    QVERIFY(child<QRadioButton>(w.get(), "单选框3")->isChecked());
    QCOMPARE(child<QLineEdit>(w.get(), "编辑框1")->text(), QStringLiteral("http://店铺.example/"));
    QVERIFY(child<QCheckBox>(w.get(), "选择框4")->isChecked());
    QVERIFY(!child<QCheckBox>(w.get(), "选择框5")->isChecked());
    QVERIFY(child<QCheckBox>(w.get(), "选择框6")->isChecked());
    QVERIFY(!child<QCheckBox>(w.get(), "选择框3")->isChecked());
    QVERIFY(child<QCheckBox>(w.get(), "选择框2")->isChecked());  // never stored, on at start

    // The copies the workers read were filled by the load, GBK text included.
    QVERIFY(w->options().backup());
    QCOMPARE(w->options().link_mode(), LinkMode::replace);
    QCOMPARE(w->options().link_text(), gbk("http://店铺.example/"));
    QVERIFY(w->options().clear_main_links() && w->options().protected_pictures());
    QVERIFY(w->options().upload());

    // Change the page and save.
    policy->setCurrentIndex(1);
    child<QCheckBox>(w.get(), "选择框1")->setChecked(false);
    child<QRadioButton>(w.get(), "单选框2")->setChecked(true);
    child<QCheckBox>(w.get(), "选择框5")->setChecked(true);
    child<QCheckBox>(w.get(), "选择框3")->setChecked(true);
    child<QPushButton>(w.get(), "按钮4")->click();

    QCOMPARE(answers.seen.size(), std::size_t{1});
    QCOMPARE(answers.seen.back().text, QStringLiteral("已经保存！"));
    QCOMPARE(answers.seen.back().caption, QStringLiteral("提示"));
    QCOMPARE(failure_policy(), 2);
    QCOMPARE(read_profile_string(ini, "DL_PIC", "fall"), std::string("2"));
    QCOMPARE(read_profile_string(ini, "PR_INFO", "backups"), gbk("假"));
    QCOMPARE(read_profile_string(ini, "DL_PIC", "qcl"), std::string("2"));
    QCOMPARE(read_profile_string(ini, "DL_PIC", "qalt"), std::string("1"));
    QCOMPARE(read_profile_string(ini, "DL_PIC", "tmsj"), std::string("1"));
    QCOMPARE(read_profile_string(ini, "DL_PIC", "qztlj"), std::string("1"));

    // A new window reads back what was saved.
    Answers again;
    auto w2 = make_window(again, dir.path());
    set_failure_policy(0);
    w2->load_settings();
    QCOMPARE(child<QComboBox>(w2.get(), "组合框1")->currentText(), QStringLiteral("删除图片"));
    QCOMPARE(failure_policy(), 2);
    QVERIFY(!child<QCheckBox>(w2.get(), "选择框1")->isChecked());
    QVERIFY(child<QRadioButton>(w2.get(), "单选框2")->isChecked());
    QVERIFY(child<QCheckBox>(w2.get(), "选择框5")->isChecked());
    QVERIFY(child<QCheckBox>(w2.get(), "选择框3")->isChecked());
    QCOMPARE(w2->options().link_mode(), LinkMode::remove);
    QVERIFY(w2->options().tmall536() && w2->options().clear_alt());
  }

  void settingsRefusalsStopTheSave_data() {
    QTest::addColumn<QString>("policy_text");
    QTest::addColumn<bool>("replace_links");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("fall_written");
    QTest::newRow("empty policy text") << "" << false << "请设置图片下载失败处理方式" << false;
    QTest::newRow("replace without a text") << "保持不变" << true << "请填写待替换链接！" << true;
  }

  void settingsRefusalsStopTheSave() {
    QFETCH(QString, policy_text);
    QFETCH(bool, replace_links);
    QFETCH(QString, message);
    QFETCH(bool, fall_written);
    Answers answers;
    test::TempDir dir;
    const auto ini = dir / "options" / "options.ini";
    std::filesystem::create_directories(ini.parent_path());
    auto w = make_window(answers, dir.path());
    w->load_settings();
    child<QComboBox>(w.get(), "组合框1")->setEditText(policy_text);
    if (replace_links) child<QRadioButton>(w.get(), "单选框3")->setChecked(true);
    child<QCheckBox>(w.get(), "选择框4")->setChecked(true);
    child<QPushButton>(w.get(), "按钮4")->click();

    QCOMPARE(answers.seen.size(), std::size_t{1});
    QCOMPARE(answers.seen.back().text, message);
    QCOMPARE(answers.seen.back().caption, QStringLiteral("信息："));
    QCOMPARE(read_profile_string(ini, "DL_PIC", "fall", "missing"),
             std::string(fall_written ? "1" : "missing"));
    // The checkbox keys come after the refusals and are never written.
    QCOMPARE(read_profile_string(ini, "DL_PIC", "qztlj", "missing"), std::string("missing"));
  }

  void optionCopiesFollowTheControls() {
    Answers answers;
    test::TempDir dir;
    auto w = make_window(answers, dir.path());
    w->load_settings();
    const OptionsView& options = w->options();
    QVERIFY(!options.backup() && !options.clear_alt() && options.upload());
    QCOMPARE(options.link_mode(), LinkMode::keep);
    child<QCheckBox>(w.get(), "选择框1")->setChecked(true);
    child<QCheckBox>(w.get(), "选择框2")->setChecked(false);
    child<QCheckBox>(w.get(), "选择框5")->setChecked(true);
    child<QRadioButton>(w.get(), "单选框3")->setChecked(true);
    child<QLineEdit>(w.get(), "编辑框1")->setText(QStringLiteral("https://新链接/"));
    QVERIFY(options.backup() && options.clear_alt() && !options.upload());
    QCOMPARE(options.link_mode(), LinkMode::replace);
    QCOMPARE(options.link_text(), gbk("https://新链接/"));
  }

  void chooseAndAddToListFillTheList() {
    Answers answers;
    test::TempDir dir;
    const std::vector<std::string> urls = {"http://127.0.0.1:9/p/a.jpg",
                                           "http://127.0.0.1:9/p/" + gbk("图") + ".jpg",
                                           "http://127.0.0.1:9/p/c.jpg"};
    Loaded l = load(answers, dir, urls);
    QVERIFY(l.listed);
    MainWindow* w = l.window.get();
    QCOMPARE(child<QLineEdit>(w, "编辑框3")->text(), QString::fromStdString(l.package.string()));
    // While listing, nothing else may start; afterwards 开始 is on.
    QTRY_COMPARE(rows(w), 3);
    QTRY_VERIFY(enabled(w, "开始"));
    QCOMPARE(control_states(w), QStringLiteral("1110011"));
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(row_text(w, i), QString::fromStdString(gbk_to_utf8(entry_of(urls[i]))));
    }
    QCOMPARE(child<QLabel>(w, "透明标签4")->text(), QStringLiteral("3"));
    const QString log = child<QPlainTextEdit>(w, "编辑框2")->toPlainText();
    QVERIFY2(log.contains(QStringLiteral("开始提取待处理图片地址")), qPrintable(log));
    QVERIFY2(log.contains(QStringLiteral("成功提取了：  3  张不重复待处理图片")), qPrintable(log));
    QVERIFY(!log.contains(QLatin1Char('\r')));

    // Choosing again empties the list and shows 0 pictures.
    child<QPushButton>(w, "添加到列表2")->click();
    QTRY_COMPARE(rows(w), 0);
    QCOMPARE(child<QLabel>(w, "透明标签4")->text(), QStringLiteral("0"));
    QVERIFY(answers.seen.empty());
  }

  void chooseRefusesAFileWithoutABaseName() {
    Answers answers;
    test::TempDir dir;
    auto w = make_window(answers, dir.path());
    child<QLineEdit>(w.get(), "编辑框3")->setText(QStringLiteral("left over"));
    answers.file = QString::fromStdString((dir / ".csv").string());
    child<QPushButton>(w.get(), "添加到列表2")->click();
    QCOMPARE(answers.seen.size(), std::size_t{1});
    QCOMPARE(answers.seen.back().text, QStringLiteral("请检查文件名是否正确！"));
    QCOMPARE(answers.seen.back().caption, QStringLiteral("提示"));
    QCOMPARE(child<QLineEdit>(w.get(), "编辑框3")->text(), QString());

    // An empty path box makes 添加到列表 do nothing at all.
    child<QPushButton>(w.get(), "添加到列表")->click();
    QCOMPARE(child<QPlainTextEdit>(w.get(), "编辑框2")->toPlainText(), QString());
    QVERIFY(!enabled(w.get(), "开始"));
  }

  void removeSelectedDropsTheRowsSelectedInTheView() {
    Answers answers;
    test::TempDir dir;
    Loaded l = load(answers, dir,
                    {"http://127.0.0.1:9/1.jpg", "http://127.0.0.1:9/2.jpg",
                     "http://127.0.0.1:9/3.jpg", "http://127.0.0.1:9/4.jpg"});
    QVERIFY(l.listed);
    MainWindow* w = l.window.get();
    QTRY_COMPARE(rows(w), 4);
    auto* view = child<QTreeView>(w, "超级列表框1");
    view->selectionModel()->select(view->model()->index(1, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(view->model()->index(3, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    child<QPushButton>(w, "按钮6")->click();
    QTRY_COMPARE(rows(w), 2);
    QCOMPARE(row_text(w, 0), QStringLiteral("\"http://127.0.0.1:9/1.jpg"));
    QCOMPARE(row_text(w, 1), QStringLiteral("\"http://127.0.0.1:9/3.jpg"));
    QCOMPARE(child<QLabel>(w, "透明标签4")->text(), QStringLiteral("2"));
    QCOMPARE(w->address_list().count(), std::size_t{2});

    // Nothing selected: no row goes, the label is written again.
    child<QPushButton>(w, "按钮6")->click();
    QTest::qWait(50);
    QCOMPARE(rows(w), 2);
    QCOMPARE(child<QLabel>(w, "透明标签4")->text(), QStringLiteral("2"));
  }

  void aRunStoresPicturesRewritesThePackageAndReportsCompletion() {
    Answers answers;
    test::TempDir dir;
    PictureHost host;
    const std::vector<std::string> urls = {host.url("/ok/a.jpg"), host.url("/ok/b.jpg"),
                                           host.url("/ok/c.jpg")};
    Loaded l = load(answers, dir, urls);
    QVERIFY(l.listed);
    MainWindow* w = l.window.get();
    QTRY_VERIFY(enabled(w, "开始"));
    child<QPushButton>(w, "开始")->click();

    QTRY_VERIFY_WITH_TIMEOUT(completion_window() != nullptr, 20000);
    QWidget* done = completion_window();
    QCOMPARE(done->windowTitle(), QStringLiteral("处理完成！"));
    QVERIFY(!done->isModal());
    QCOMPARE(child<QLabel>(done, "透明标签1")->text(), QStringLiteral("图片已下载完成："));
    const QString total = child<QLabel>(done, "透明标签4")->text();
    QVERIFY2(total.startsWith(QStringLiteral("下载总数： ")) && total.contains(QLatin1Char('3')),
             qPrintable(total));
    QVERIFY(child<QLabel>(done, "透明标签2")->text().startsWith(QStringLiteral("成功下载： ")));
    QVERIFY(child<QLabel>(done, "透明标签3")->text().startsWith(QStringLiteral("下载失败： ")));
    QCOMPARE(child<QLabel>(done, "透明标签5")->text(), QString());  // no failures

    // The rows done are gone and the controls are idle again.
    QTRY_COMPARE(rows(w), 0);
    QCOMPARE(child<QLabel>(w, "透明标签4")->text(), QStringLiteral("0"));
    QCOMPARE(control_states(w), QStringLiteral("1110011"));
    QVERIFY(!w->running());

    // The package now points at the stored pictures.
    const std::string saved = test::read_bytes(l.package);
    QCOMPARE(occurrences(saved, "127.0.0.1"), std::size_t{0});
    QCOMPARE(occurrences(saved, "FILE:///"), std::size_t{4});
    std::size_t pictures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / ("shop" + std::string("描述图片")))) {
      pictures += entry.is_regular_file() ? 1 : 0;
    }
    QCOMPARE(pictures, std::size_t{3});
    QVERIFY(child<QPlainTextEdit>(w, "编辑框2")->toPlainText().contains(QStringLiteral("文件保存成功")));

    child<QPushButton>(done, "按钮1")->click();
    QTRY_VERIFY(completion_window() == nullptr);
    QTRY_VERIFY(w->completion_window() == nullptr);  // closed means deleted
  }

  void anUploadRunLogsInFirstThenUploadsAndRewrites() {
    Answers answers;
    test::TempDir dir;
    PictureHost host;
    test::FakeImageSpaceService service;
    use_service(dir, service);
    ScriptedLogin login;
    Loaded l = load(answers, dir, {host.url("/ok/a.jpg"), host.url("/ok/b.jpg")}, &login);
    QVERIFY(l.listed);
    MainWindow* w = l.window.get();
    login.record = &w->image_space_login();
    child<QCheckBox>(w, "选择框2")->setChecked(true);
    QTRY_VERIFY(enabled(w, "开始"));
    child<QPushButton>(w, "开始")->click();
    QCOMPARE(login.count, 1);
    QVERIFY(answers.seen.empty());

    QTRY_VERIFY_WITH_TIMEOUT(completion_window() != nullptr, 20000);
    QCOMPARE(child<QLabel>(completion_window(), "透明标签2")->text(), QStringLiteral("成功下载： 2"));
    QCOMPARE(service.uploads(), 2);
    const std::string saved = test::read_bytes(l.package);
    QCOMPARE(occurrences(saved, "127.0.0.1"), std::size_t{0});
    QCOMPARE(occurrences(saved, "https://img.fake/p"), std::size_t{3});
    QVERIFY(!std::filesystem::exists(dir / ("shop" + std::string("描述图片"))));
    const QString log = child<QPlainTextEdit>(w, "编辑框2")->toPlainText();
    QCOMPARE(log.count(QStringLiteral(" 张 图片到图片空间成功 ")), 2);
    QVERIFY(!log.contains(QStringLiteral("tok123")));
    child<QPushButton>(completion_window(), "按钮1")->click();
    QTRY_VERIFY(completion_window() == nullptr);
  }

  void aCancelledLoginStartsNothing() {
    Answers answers;
    test::TempDir dir;
    test::FakeImageSpaceService service;
    use_service(dir, service);
    ScriptedLogin login;
    login.cancel = true;
    Loaded l = load(answers, dir, {"http://127.0.0.1:9/a.jpg"}, &login);
    QVERIFY(l.listed);
    MainWindow* w = l.window.get();
    child<QCheckBox>(w, "选择框2")->setChecked(true);
    QTRY_VERIFY(enabled(w, "开始"));
    child<QPushButton>(w, "开始")->click();
    QCOMPARE(login.count, 1);
    QVERIFY(answers.seen.empty());  // ends without a message
    QCOMPARE(control_states(w), QStringLiteral("1110011"));
    QCOMPARE(rows(w), 1);
    QCOMPARE(test::read_bytes(l.package), l.original);
    QCOMPARE(service.uploads(), 0);
  }

  void stopCancelThenNoLeavesPackageAndRows() {
    Answers answers;
    test::TempDir dir;
    PictureHost host;
    Loaded l = load(answers, dir, {host.url("/ok/a.jpg"), host.url("/hang/b.jpg")});
    QVERIFY(l.listed);
    MainWindow* w = l.window.get();
    QTRY_VERIFY(enabled(w, "开始"));
    child<QPushButton>(w, "开始")->click();
    QVERIFY(w->running());
    QCOMPARE(control_states(w), QStringLiteral("0001101"));
    QTRY_VERIFY_WITH_TIMEOUT(w->address_list().selected(0), 10000);  // the first row is done

    auto* pause = child<QPushButton>(w, "暂停按钮");
    pause->click();
    QCOMPARE(pause->text(), QStringLiteral("继续"));

    answers.next = QMessageBox::Cancel;
    child<QPushButton>(w, "停止按钮")->click();
    QCOMPARE(answers.seen.size(), std::size_t{1});
    const window::MessageRequest asked = answers.seen.back();
    QCOMPARE(asked.caption, QStringLiteral("是否将已完成的工作保存！"));
    QCOMPARE(asked.text, QStringLiteral("点< 是 >---中止并保存已完成的工作！\n\n点< 否 >---直接中止！"
                                        "\n\n点<取消>---不中止返回继续处理！"));
    QCOMPARE(asked.buttons,
             QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
    QCOMPARE(asked.icon, QMessageBox::Question);
    QVERIFY(w->running());
    QCOMPARE(pause->text(), QStringLiteral("继续"));

    answers.next = QMessageBox::No;
    child<QPushButton>(w, "停止按钮")->click();
    QVERIFY(!w->running());
    QCOMPARE(control_states(w), QStringLiteral("1110011"));
    QCOMPARE(pause->text(), QStringLiteral("继续"));  // the caption stays until the next click
    QTRY_COMPARE(rows(w), 2);
    QCOMPARE(test::read_bytes(l.package), l.original);
    QTest::qWait(100);
    QVERIFY(completion_window() == nullptr);

    // The next run's first click on the button resumes (nothing is held) and shows 暂停.
    child<QPushButton>(w, "开始")->click();
    QVERIFY(w->running());
    pause->click();
    QCOMPARE(pause->text(), QStringLiteral("暂停"));
    answers.next = QMessageBox::No;
    child<QPushButton>(w, "停止按钮")->click();
    QVERIFY(!w->running());
  }

  void stopYesSavesTheRowsDoneAndKeepsTheRest() {
    Answers answers;
    test::TempDir dir;
    PictureHost host;
    const std::vector<std::string> urls = {host.url("/ok/a.jpg"), host.url("/hang/b.jpg"),
                                           host.url("/ok/c.jpg")};
    Loaded l = load(answers, dir, urls);
    QVERIFY(l.listed);
    MainWindow* w = l.window.get();
    QTRY_VERIFY(enabled(w, "开始"));
    child<QPushButton>(w, "开始")->click();
    QTRY_VERIFY_WITH_TIMEOUT(w->address_list().selected(0) && w->address_list().selected(2), 10000);
    // The view shows the rows done as selected.
    QTRY_COMPARE(child<QTreeView>(w, "超级列表框1")->selectionModel()->selectedRows().size(), 2);

    answers.next = QMessageBox::Yes;
    const auto before = std::chrono::steady_clock::now();
    child<QPushButton>(w, "停止按钮")->click();
    QVERIFY(std::chrono::steady_clock::now() - before < std::chrono::seconds(10));

    // The completion window opened on this thread before the controls came back.
    QWidget* done = completion_window();
    QVERIFY(done);
    QVERIFY(child<QLabel>(done, "透明标签4")->text().contains(QLatin1Char('3')));
    QCOMPARE(child<QLabel>(done, "透明标签5")->text(), QString());
    QCOMPARE(control_states(w), QStringLiteral("1110011"));
    QTRY_COMPARE(rows(w), 1);
    QCOMPARE(row_text(w, 0), QString::fromStdString(entry_of(urls[1])));

    const std::string saved = test::read_bytes(l.package);
    QCOMPARE(occurrences(saved, urls[0]), std::size_t{0});
    QCOMPARE(occurrences(saved, urls[2]), std::size_t{0});
    QCOMPARE(occurrences(saved, urls[1]), std::size_t{1});
    QCOMPARE(occurrences(saved, "FILE:///"), std::size_t{3});  // a.jpg twice, c.jpg once
    const QString log = child<QPlainTextEdit>(w, "编辑框2")->toPlainText();
    QVERIFY2(log.contains(QStringLiteral("中途停止，总数：3张，已处理2张")), qPrintable(log));
    child<QPushButton>(done, "按钮1")->click();
  }

  void closingWithoutATrayAsksBeforeLeaving() {
    Answers answers;
    test::TempDir dir;
    auto w = make_window(answers, dir.path());
    w->show();
    answers.exit_answer = false;
    QVERIFY(!w->close());
    QCOMPARE(answers.exit_questions, 1);
    QVERIFY(w->isVisible());
  }

  void exitConfirmationEndsTheEventLoopOnlyWhenConfirmed_data() {
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("确 定") << true;
    QTest::newRow("取 消") << false;
  }

  void exitConfirmationEndsTheEventLoopOnlyWhenConfirmed() {
    QFETCH(bool, confirmed);
    Answers answers;
    test::TempDir dir;
    auto w = make_window(answers, dir.path());
    w->show();
    answers.exit_answer = confirmed;
    // The program's own event loop, as in main(); it ends by exit code 0 or by the guard's 7.
    QTimer::singleShot(0, w.get(), [&w] { w->navigate(5); });
    QTimer::singleShot(500, w.get(), [] { QCoreApplication::exit(7); });
    const int code = QApplication::exec();
    QCOMPARE(code, confirmed ? 0 : 7);
    QCOMPARE(answers.exit_questions, 1);  // asked once, not again while leaving
  }

  void closingTheWindowDuringARunEndsItWithoutSaving() {
    Answers answers;
    test::TempDir dir;
    PictureHost host;
    Loaded l = load(answers, dir, {host.url("/hang/a.jpg"), host.url("/hang/b.jpg")});
    QVERIFY(l.listed);
    QTRY_VERIFY(enabled(l.window.get(), "开始"));
    child<QPushButton>(l.window.get(), "开始")->click();
    QVERIFY(l.window->running());
    QTest::qWait(200);
    const auto before = std::chrono::steady_clock::now();
    l.window.reset();
    QVERIFY(std::chrono::steady_clock::now() - before < std::chrono::seconds(10));
    QCOMPARE(test::read_bytes(l.package), l.original);
    QVERIFY(completion_window() == nullptr);
  }
};

}  // namespace picmove::window_test

QObject* make_main_window_test() { return new picmove::window_test::MainWindowTest; }

#include "main_window_test.moc"
