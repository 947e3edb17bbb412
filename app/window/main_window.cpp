#include "app/window/main_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <utility>

#include "app/window/address_list_model.h"
#include "app/window/completion_window.h"
#include "app/window/exit_confirmation.h"
#include "app/window/log_box.h"
#include "app/options/service_settings.h"
#include "app/window/settings_page.h"
#include "imagespace/publish_form.h"
#include "package/address_extraction.h"
#include "package/gbk.h"

// Resources of a static library are registered by hand, outside any namespace.
static void init_window_resources() { Q_INIT_RESOURCE(window); }

namespace picmove::window {
namespace {

const QString kStepOne = QStringLiteral(
    "第一步：选择待处理的数据包CSV文件。（处理前请手动备份CSV文件或在搬家配置里设置自动备份！）");
const QString kStepTwo = QStringLiteral(
    "第二步：点“添加到列表”。列出数据包里引用的描述图片地址。如有图片地址不需要处理的，"
    "可以按住Ctrl单选或多选，然后点“排除选中地址”，排除的图片地址将不纳入搬家处理。");
const QString kStepThree = QStringLiteral(
    "第三步：点“开始处理”，等待工具下载图片，替换地址，完成后会弹出处理完毕的窗口。");
const QString kPause = QStringLiteral("暂停");
const QString kResume = QStringLiteral("继续");

QString from_gbk(const std::string& text) { return QString::fromStdString(gbk_to_utf8(text)); }

QString path_text(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

template <typename T>
T* named(T* widget, const char* name) {
  widget->setObjectName(QString::fromUtf8(name));
  return widget;
}

// A small picture of a picture being carried: the window and tray icon.
QIcon program_icon() {
  QPixmap pixmap(64, 64);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(0x2f, 0x80, 0xc8));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(2, 2, 60, 60, 12, 12);
  p.setBrush(Qt::white);
  p.drawRect(12, 18, 34, 28);
  p.setBrush(QColor(0x4c, 0xb0, 0x50));
  const QPointF hill[] = {{14, 44}, {24, 30}, {31, 38}, {36, 33}, {44, 44}};
  p.drawPolygon(hill, 5);
  p.setBrush(QColor(0xff, 0xc1, 0x07));
  p.drawEllipse(QPointF(38, 25), 3.5, 3.5);
  p.setBrush(Qt::white);
  const QPointF arrow[] = {{46, 36}, {56, 44}, {46, 52}};
  p.drawPolygon(arrow, 3);
  return QIcon(pixmap);
}

}  // namespace

// The run's view of the window. The ending of a run reaches the window's thread through the
// completion trigger and waits there, so the completion window exists before the controls go
// back to idle.
class MainWindow::Observer : public RunObserver {
 public:
  explicit Observer(MainWindow& window) : window_(window) {}

  void on_completion(const CompletionTexts& texts) override {
    MainWindow& w = window_;
    w.ui_call_.run_and_wait([&w, texts] {
      {
        std::lock_guard lock(w.completion_mutex_);
        w.completion_texts_ = texts;
      }
      w.trigger_->click();
    });
  }

  void on_restore_controls() override {
    MainWindow& w = window_;
    w.ui_call_.run_and_wait([&w] { w.restore_controls(); });
  }

 private:
  MainWindow& window_;
};

MainWindow::MainWindow(WindowSetup setup) : setup_(std::move(setup)) {
  init_window_resources();
  setObjectName(QStringLiteral("main_window"));
  setWindowTitle(QStringLiteral("picmove"));
  setWindowIcon(program_icon());

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(make_navigation());
  auto* rule = named(new QFrame(central), "画板3");
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  layout->addWidget(rule);

  hint_ = named(new QLabel(central), "透明标签1");
  hint_->setWordWrap(true);
  hint_->setContentsMargins(16, 6, 16, 2);
  hint_->setMinimumHeight(28);
  QPalette hint_palette = hint_->palette();
  hint_palette.setColor(QPalette::WindowText, QColor(0xc0, 0x39, 0x2b));
  hint_->setPalette(hint_palette);
  layout->addWidget(hint_);

  pages_ = named(new QStackedWidget(central), "高级选择夹1");
  const std::filesystem::path options_file = options_file_path(setup_.program_directory);
  settings_ = named(new SettingsPage(options_file, setup_.ask, pages_), "settings_page");
  pages_->addWidget(make_start_page());
  pages_->addWidget(make_processing_page());
  pages_->addWidget(settings_);
  pages_->addWidget(make_help_page());
  layout->addWidget(pages_, 1);
  setCentralWidget(central);

  auto* status = named(new QStatusBar(this), "状态条1");
  status->addWidget(new QLabel(QStringLiteral("版本号：V3.1.3"), status));
  setStatusBar(status);
  make_menus();

  settings_->bind(options_);
  log_ = std::make_unique<LogBox>(log_box_);
  observer_ = std::make_unique<Observer>(*this);
  // The platform's hosts and the publish form come from the options file's folder.
  const ServiceEndpoints endpoints = read_service_endpoints(options_file);
  image_space_ = std::make_unique<ServiceImageSpace>(image_space_login_, endpoints,
                                                     load_publish_form(options_file.parent_path()));
  LoginProvider* login = setup_.login;
  if (login == nullptr) {
    login_window_ =
        std::make_unique<LoginWindowProvider>(image_space_login_, endpoints, setup_.ask, this);
    login = login_window_.get();
  }
  run_ = std::make_unique<ProcessingRun>(package_, list_, options_, *log_, *observer_,
                                         image_space_.get(), login, setup_.engines);

  make_tray();
  navigate(1);
  resize(703, 625);
}

MainWindow::~MainWindow() {
  // Nothing reaches the widgets from here on: a run still going on ends without saving and its
  // workers stop waiting for the window.
  ui_call_.close();
  run_.reset();
  if (listing_.joinable()) listing_.join();
  if (model_) model_->detach();
  if (completion_) delete completion_.data();
}

void MainWindow::load_settings() { settings_->load(); }

QWidget* MainWindow::make_navigation() {
  auto* strip = named(new QFrame(this), "透明标签3");
  strip->setAutoFillBackground(true);
  QPalette palette = strip->palette();
  QLinearGradient gradient(0, 0, 0, 64);
  gradient.setColorAt(0, QColor(0xf4, 0xf8, 0xfc));
  gradient.setColorAt(1, QColor(0xd6, 0xe4, 0xf2));
  palette.setBrush(QPalette::Window, gradient);
  strip->setPalette(palette);
  strip->setFixedHeight(64);

  auto* row = new QHBoxLayout(strip);
  row->setContentsMargins(8, 2, 8, 2);
  row->setSpacing(4);
  struct Item {
    QString caption;
    QStyle::StandardPixmap icon;
  };
  const Item items[] = {
      {QStringLiteral("开始页面"), QStyle::SP_DirHomeIcon},
      {QStringLiteral("处理向导"), QStyle::SP_MediaPlay},
      {QStringLiteral("搬家配置"), QStyle::SP_FileDialogDetailedView},
      {QStringLiteral("使用帮助"), QStyle::SP_DialogHelpButton},
      {QStringLiteral("退出系统"), QStyle::SP_DialogCloseButton},
  };
  auto* group = new QButtonGroup(strip);
  group->setExclusive(true);
  for (int i = 0; i < 5; ++i) {
    auto* button = new QToolButton(strip);
    button->setObjectName(QStringLiteral("navigation_%1").arg(i + 1));
    button->setText(items[i].caption);
    button->setIcon(style()->standardIcon(items[i].icon));
    button->setIconSize(QSize(28, 28));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setCheckable(i < 4);
    button->setMinimumWidth(76);
    if (i < 4) group->addButton(button, i + 1);
    connect(button, &QToolButton::clicked, this, [this, i] { navigate(i + 1); });
    row->addWidget(button);
  }
  row->addStretch(1);
  return strip;
}

QWidget* MainWindow::make_start_page() {
  auto* page = named(new QWidget(pages_), "start_page");
  auto* layout = new QGridLayout(page);
  layout->setContentsMargins(18, 18, 18, 12);
  auto* product = named(new QTextBrowser(page), "编辑框7");
  product->setOpenLinks(false);
  product->setSource(QUrl(QStringLiteral("qrc:/window/product.html")));
  auto* news = named(new QTextBrowser(page), "超文本浏览框1");
  news->setOpenLinks(false);
  news->setSource(QUrl(QStringLiteral("qrc:/window/news.html")));
  layout->addWidget(product, 0, 0);
  layout->addWidget(news, 0, 1);
  layout->setColumnStretch(0, 288);
  layout->setColumnStretch(1, 374);
  auto* instructions = named(new QPushButton(QStringLiteral("使用说明"), page), "按钮2");
  instructions->setMinimumSize(96, 32);
  connect(instructions, &QPushButton::clicked, this, [this] { navigate(4); });
  layout->addWidget(instructions, 1, 1, Qt::AlignRight);
  return page;
}

QWidget* MainWindow::make_processing_page() {
  auto* page = named(new QWidget(pages_), "processing_page");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(7, 6, 7, 4);
  layout->setSpacing(6);

  // Step 1: the package.
  auto* top = named(new QFrame(page), "画板1");
  auto* top_row = new QHBoxLayout(top);
  top_row->setContentsMargins(0, 0, 0, 0);
  top_row->addWidget(named(new QLabel(QStringLiteral("待处理数据包："), top), "透明标签5"));
  path_box_ = named(new QLineEdit(top), "编辑框3");
  path_box_->setMinimumHeight(28);
  top_row->addWidget(path_box_, 1);
  choose_ = named(new QPushButton(QStringLiteral("选择"), top), "添加到列表2");
  choose_->setFixedSize(76, 30);
  top_row->addWidget(choose_);
  layout->addWidget(top);

  // Step 2: list the addresses.
  auto* second = new QHBoxLayout;
  auto* step_two = named(new QLabel(kStepTwo, page), "标签2");
  step_two->setWordWrap(true);
  second->addWidget(step_two, 1);
  add_ = named(new QPushButton(QStringLiteral("添加到列表"), page), "添加到列表");
  add_->setFixedSize(76, 30);
  second->addWidget(add_, 0, Qt::AlignTop);
  layout->addLayout(second);

  // The list and the run controls.
  auto* panel = named(new QFrame(page), "图片框1");
  auto* panel_row = new QHBoxLayout(panel);
  panel_row->setContentsMargins(0, 0, 0, 0);
  model_ = new AddressListModel(list_, this);
  list_view_ = named(new QTreeView(panel), "超级列表框1");
  list_view_->setModel(model_);
  list_view_->setRootIsDecorated(false);
  list_view_->setUniformRowHeights(true);
  list_view_->setItemsExpandable(false);
  list_view_->setAllColumnsShowFocus(true);
  list_view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_view_->setContextMenuPolicy(Qt::CustomContextMenu);
  list_view_->header()->setStretchLastSection(false);
  list_view_->header()->resizeSection(0, 560);
  list_view_->header()->resizeSection(1, 500);
  panel_row->addWidget(list_view_, 1);

  auto* side = new QVBoxLayout;
  side->setSpacing(6);
  auto* count_row = new QHBoxLayout;
  count_row->addWidget(named(new QLabel(QStringLiteral("图片数："), panel), "透明标签2"));
  count_ = named(new QLabel(QStringLiteral("0"), panel), "透明标签4");
  count_->setMinimumWidth(44);
  count_row->addWidget(count_, 1);
  side->addLayout(count_row);
  remove_ = named(new QPushButton(QStringLiteral("排除选中地址"), panel), "按钮6");
  side->addWidget(remove_);
  auto* separator = named(new QFrame(panel), "画板4");
  separator->setFrameShape(QFrame::HLine);
  separator->setFrameShadow(QFrame::Sunken);
  side->addWidget(separator);
  auto* step_three = named(new QLabel(kStepThree, panel), "标签1");
  step_three->setWordWrap(true);
  side->addWidget(step_three);
  start_ = named(new QPushButton(QStringLiteral("开始处理"), panel), "开始");
  pause_ = named(new QPushButton(kPause, panel), "暂停按钮");
  stop_ = named(new QPushButton(QStringLiteral("停止"), panel), "停止按钮");
  for (QPushButton* button : {remove_, start_, pause_, stop_}) button->setMinimumHeight(28);
  side->addWidget(start_);
  side->addWidget(pause_);
  side->addWidget(stop_);
  side->addStretch(1);
  trigger_ = named(new QPushButton(panel), "pms");
  trigger_->setVisible(false);
  auto* side_host = new QWidget(panel);
  side_host->setFixedWidth(124);
  side_host->setLayout(side);
  panel_row->addWidget(side_host);
  layout->addWidget(panel, 1);

  // The log.
  auto* tabs = named(new QTabWidget(page), "选择夹1");
  log_box_ = named(new QPlainTextEdit(tabs), "编辑框2");
  log_box_->setReadOnly(true);
  log_box_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log_box_->setUndoRedoEnabled(false);
  tabs->addTab(log_box_, QStringLiteral("操作记录"));
  tabs->setFixedHeight(136);
  layout->addWidget(tabs);

  list_menu_ = new QMenu(QStringLiteral("列表菜单"), this);
  list_menu_->setObjectName(QStringLiteral("列表菜单"));
  list_menu_->addAction(QStringLiteral("用IE打开地图地址"), this, &MainWindow::open_address_clicked);
  list_menu_->addSeparator();
  list_menu_->addAction(QStringLiteral("复制图片地址"), this, &MainWindow::copy_address_clicked);
  list_menu_->addAction(QStringLiteral("排除选中地址"), this, &MainWindow::remove_selected_clicked);
  list_menu_->addSeparator();
  list_menu_->addAction(QStringLiteral("排除所有地址"), this, &MainWindow::clear_list_clicked);

  connect(choose_, &QPushButton::clicked, this, &MainWindow::choose_package_clicked);
  connect(add_, &QPushButton::clicked, this, &MainWindow::add_to_list_clicked);
  connect(remove_, &QPushButton::clicked, this, &MainWindow::remove_selected_clicked);
  connect(start_, &QPushButton::clicked, this, &MainWindow::start_clicked);
  connect(pause_, &QPushButton::clicked, this, &MainWindow::pause_clicked);
  connect(stop_, &QPushButton::clicked, this, &MainWindow::stop_clicked);
  connect(trigger_, &QPushButton::clicked, this, &MainWindow::completion_trigger_clicked);
  connect(list_view_, &QWidget::customContextMenuRequested, this, &MainWindow::show_list_menu);
  connect(model_, &AddressListModel::count_changed, count_,
          [this](int count) { count_->setText(QString::number(count)); });
  connect(model_, &AddressListModel::core_selection_changed, list_view_, [this] {
    list_view_->selectionModel()->select(model_->core_selection(),
                                         QItemSelectionModel::ClearAndSelect |
                                             QItemSelectionModel::Rows);
  });

  // Program start: nothing to start, pause or stop yet.
  start_->setEnabled(false);
  pause_->setEnabled(false);
  stop_->setEnabled(false);
  return page;
}

QWidget* MainWindow::make_help_page() {
  auto* page = named(new QWidget(pages_), "help_page");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(1, 8, 1, 1);
  auto* help = named(new QTextBrowser(page), "超文本浏览框2");
  help->setOpenExternalLinks(true);
  help->setSource(QUrl(QStringLiteral("qrc:/window/help.html")));
  layout->addWidget(help);
  return page;
}

void MainWindow::make_menus() {
  QMenu* menu = menuBar()->addMenu(QStringLiteral("功能菜单"));
  menu->setObjectName(QStringLiteral("功能菜单"));
  menu->addAction(QStringLiteral("处理向导"), this, [this] { navigate(2); });
  menu->addAction(QStringLiteral("搬家配置"), this, [this] { navigate(3); });
  menu->addSeparator();
  menu->addAction(QStringLiteral("退出"), this, [this] { navigate(5); });
}

void MainWindow::make_tray() {
  if (!setup_.tray || !QSystemTrayIcon::isSystemTrayAvailable()) return;
  tray_ = new QSystemTrayIcon(windowIcon(), this);
  tray_->setToolTip(windowTitle());
  auto* menu = new QMenu(QStringLiteral("系统菜单"), this);
  menu->addAction(QStringLiteral("退出程序"), this, [this] { navigate(5); });
  tray_->setContextMenu(menu);
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why != QSystemTrayIcon::DoubleClick && why != QSystemTrayIcon::Trigger) return;
    showNormal();
    raise();
    activateWindow();
  });
  tray_->show();
}

void MainWindow::navigate(int item) {
  if (item == 5) {
    if (ask_exit()) exit_program();
    return;
  }
  if (item < 1 || item > 4) return;
  hint_->setText(item == 2 ? kStepOne : QString());
  pages_->setCurrentIndex(item - 1);
  if (auto* button = findChild<QToolButton*>(QStringLiteral("navigation_%1").arg(item))) {
    button->setChecked(true);
  }
}

// --- processing page ---------------------------------------------------------------------

void MainWindow::choose_package_clicked() {
  const QString file = setup_.choose_file(this, QStringLiteral("选择淘宝数据包CSV文件"),
                                          QStringLiteral("淘宝数据包CSV文件(*.csv)"));
  if (file.isEmpty()) return;
  const ChooseResult chosen = choose_package(package_, std::filesystem::path(file.toStdString()));
  if (chosen.ok) {
    path_box_->setText(path_text(package_.path));
  } else {
    path_box_->clear();
    message(QStringLiteral("提示"), from_gbk(chosen.message));
  }
  list_.clear();
  count_->setText(QStringLiteral("0"));
}

void MainWindow::add_to_list_clicked() {
  if (listing_now_ || running_) return;
  const QString typed = path_box_->text().trimmed();
  if (typed.isEmpty()) return;
  // The path box may have been edited since the file was chosen: its text is what is read.
  if (typed != path_text(package_.path)) {
    const ChooseResult chosen =
        choose_package(package_, std::filesystem::path(typed.toStdString()));
    if (!chosen.ok) {
      path_box_->clear();
      message(QStringLiteral("提示"), from_gbk(chosen.message));
      return;
    }
    path_box_->setText(path_text(package_.path));
  }

  if (listing_.joinable()) listing_.join();
  listing_now_ = true;
  const bool start_was_enabled = start_->isEnabled();
  for (QPushButton* button : {choose_, add_, start_, remove_}) button->setEnabled(false);
  list_view_->setEnabled(false);
  // The whole package goes through the pattern list off the window's thread; the log and the
  // list show the progress through their queued updates.
  listing_ = std::thread([this, start_was_enabled] {
    const ListResult listed = add_to_list(package_, options_, list_, *log_);
    const bool ran = listed.ran;
    QMetaObject::invokeMethod(
        this, [this, ran, start_was_enabled] { listing_finished(ran || start_was_enabled); },
        Qt::QueuedConnection);
  });
}

void MainWindow::listing_finished(bool start_enabled) {
  if (listing_.joinable()) listing_.join();
  listing_now_ = false;
  model_->refresh();
  for (QPushButton* button : {choose_, add_, remove_}) button->setEnabled(true);
  list_view_->setEnabled(true);
  start_->setEnabled(start_enabled);
}

void MainWindow::remove_selected_clicked() {
  if (listing_now_) return;
  if (!running_) {
    // Idle: the rows the user selected in the view are the ones to drop.
    const std::vector<AddressRow> rows = list_.rows();
    std::vector<std::string> entries;
    entries.reserve(rows.size());
    for (const auto& row : rows) entries.push_back(row.entry);
    list_.assign(std::move(entries));
    for (const QModelIndex& index : list_view_->selectionModel()->selectedRows()) {
      list_.mark_selected(static_cast<std::size_t>(index.row()));
    }
  }
  // During a run the selection is the run's record of the rows done.
  const std::size_t left = list_.remove_selected_rows();
  count_->setText(QString::number(left));
}

void MainWindow::clear_list_clicked() {
  if (listing_now_ || running_) return;
  list_.clear();
  count_->setText(QStringLiteral("0"));
}

std::string MainWindow::topmost_selected_entry() const {
  int top = -1;
  for (const QModelIndex& index : list_view_->selectionModel()->selectedRows()) {
    if (top < 0 || index.row() < top) top = index.row();
  }
  return top < 0 ? std::string() : model_->entry(top);
}

void MainWindow::open_address_clicked() {
  const std::string entry = topmost_selected_entry();
  if (entry.empty()) return;
  QDesktopServices::openUrl(QUrl(from_gbk(entry_address(entry)), QUrl::TolerantMode));
}

void MainWindow::copy_address_clicked() {
  const std::string entry = topmost_selected_entry();
  QApplication::clipboard()->setText(entry.empty() ? QString() : from_gbk(entry_address(entry)));
}

void MainWindow::show_list_menu(const QPoint& where) {
  list_menu_->popup(list_view_->viewport()->mapToGlobal(where));
}

void MainWindow::start_clicked() {
  if (listing_now_ || running_) return;
  // The rows this run completes are the ones it removes at its end: start from no selection.
  const std::vector<AddressRow> rows = list_.rows();
  bool any_selected = false;
  std::vector<std::string> entries;
  entries.reserve(rows.size());
  for (const auto& row : rows) {
    any_selected = any_selected || row.selected;
    entries.push_back(row.entry);
  }
  if (any_selected) list_.assign(std::move(entries));
  list_view_->clearSelection();

  const StartResult started = run_->start();
  switch (started.status) {
    case StartStatus::started:
      set_running_controls();
      break;
    case StartStatus::refused:
      message(QStringLiteral("提示"), from_gbk(started.message));
      break;
    case StartStatus::login_cancelled:
    case StartStatus::busy:
      break;
  }
}

void MainWindow::pause_clicked() {
  if (pause_->text() == kPause) {
    run_->pause();
    pause_->setText(kResume);
  } else {
    run_->resume();
    pause_->setText(kPause);
  }
}

void MainWindow::stop_clicked() {
  const QString text = QStringLiteral(
      "点< 是 >---中止并保存已完成的工作！\n\n"
      "点< 否 >---直接中止！\n\n"
      "点<取消>---不中止返回继续处理！");
  const auto answer = message(QStringLiteral("是否将已完成的工作保存！"), text,
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                              QMessageBox::Question);
  // The run may have ended by itself while the question was open; then that ending stands.
  if (answer == QMessageBox::Yes) {
    run_->stop_and_save();
  } else if (answer == QMessageBox::No) {
    run_->stop_without_saving();
  }
}

void MainWindow::completion_trigger_clicked() {
  CompletionTexts texts;
  {
    std::lock_guard lock(completion_mutex_);
    texts = completion_texts_;
  }
  auto* window = new CompletionWindow(texts);
  window->setWindowIcon(windowIcon());
  completion_ = window;
  window->show();
  window->raise();
}

void MainWindow::set_running_controls() {
  running_ = true;
  for (QWidget* control : {static_cast<QWidget*>(choose_), static_cast<QWidget*>(add_),
                           static_cast<QWidget*>(start_), static_cast<QWidget*>(list_view_)}) {
    control->setEnabled(false);
  }
  pause_->setEnabled(true);
  stop_->setEnabled(true);
  remove_->setEnabled(true);
}

void MainWindow::restore_controls() {
  running_ = false;
  for (QWidget* control : {static_cast<QWidget*>(choose_), static_cast<QWidget*>(add_),
                           static_cast<QWidget*>(start_), static_cast<QWidget*>(list_view_),
                           static_cast<QWidget*>(remove_)}) {
    control->setEnabled(true);
  }
  pause_->setEnabled(false);
  stop_->setEnabled(false);
}

// --- leaving -----------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
  if (exiting_) {
    event->accept();
    return;
  }
  if (tray_ && tray_->isVisible()) {
    // The program and any run go on; the tray icon brings the window back.
    hide();
    event->ignore();
    return;
  }
  // Without a tray there would be no way back to a hidden window: ask instead.
  if (ask_exit()) {
    event->accept();
    exit_program();
  } else {
    event->ignore();
  }
}

bool MainWindow::ask_exit() {
  if (setup_.confirm_exit) return setup_.confirm_exit(this);
  ExitConfirmation confirmation(this);
  return confirmation.exec() == QDialog::Accepted;
}

void MainWindow::exit_program() {
  // quit() would first ask every window to close, and this one only hides or asks again.
  exiting_ = true;
  QCoreApplication::exit(0);
}

QMessageBox::StandardButton MainWindow::message(const QString& caption, const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::Icon icon) {
  MessageRequest request;
  request.icon = icon;
  request.caption = caption;
  request.text = text;
  request.buttons = buttons;
  return setup_.ask(this, request);
}

}  // namespace picmove::window
