#include "app/window/settings_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <utility>

#include "app/window/window_options.h"
#include "package/gbk.h"

namespace picmove::window {
namespace {

QString from_gbk(const std::string& text) { return QString::fromStdString(gbk_to_utf8(text)); }
std::string to_gbk(const QString& text) { return utf8_to_gbk(text.toStdString()); }

QLabel* header(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromUtf8(name));
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

QFrame* rule(QWidget* parent, const char* name) {
  auto* line = new QFrame(parent);
  line->setObjectName(QString::fromUtf8(name));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

template <typename T>
T* named(T* widget, const char* name) {
  widget->setObjectName(QString::fromUtf8(name));
  return widget;
}

}  // namespace

SettingsPage::SettingsPage(std::filesystem::path options_file, const MessageAsker& ask,
                           QWidget* parent)
    : QWidget(parent), options_file_(std::move(options_file)), ask_(ask) {
  auto* tabs = named(new QTabWidget(this), "选择夹2");
  auto* tab = new QWidget(tabs);
  tabs->addTab(tab, QStringLiteral("设置"));
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(6, 6, 6, 6);
  outer->addWidget(tabs);

  auto* layout = new QVBoxLayout(tab);
  layout->setSpacing(8);

  // 基本选项
  auto* basic = new QHBoxLayout;
  basic->addWidget(header(tab, "透明标签8", QStringLiteral("基本选项")));
  basic->addWidget(rule(tab, "画板5"), 1);
  layout->addLayout(basic);

  auto* grid = new QGridLayout;
  grid->setContentsMargins(24, 0, 0, 0);
  grid->addWidget(named(new QLabel(QStringLiteral("图片下载失败处理方式："), tab), "透明标签16"), 0, 0);
  policy_ = named(new QComboBox(tab), "组合框1");
  policy_->setEditable(true);
  policy_->setInsertPolicy(QComboBox::NoInsert);
  for (int entry = 1; entry <= 3; ++entry) policy_->addItem(from_gbk(policy_entry_text(entry)));
  policy_->setCurrentIndex(2);
  policy_->setFixedWidth(184);
  grid->addWidget(policy_, 0, 1);
  grid->addWidget(named(new QLabel(QStringLiteral("（建议选择带删除的选项）"), tab), "标签6"), 0, 2);
  grid->addWidget(named(new QLabel(QStringLiteral("保存文件前是否自动备份："), tab), "透明标签6"), 1, 0);
  backup_ = named(new QCheckBox(QStringLiteral("自动备份"), tab), "选择框1");
  grid->addWidget(backup_, 1, 1, 1, 2);
  grid->setColumnStretch(2, 1);
  layout->addLayout(grid);

  // 特殊选项
  auto* special = new QHBoxLayout;
  special->addWidget(header(tab, "透明标签7", QStringLiteral("特殊选项")));
  special->addWidget(rule(tab, "画板2"), 1);
  layout->addLayout(special);
  auto* hint = named(
      new QLabel(QStringLiteral("（不清楚该选项的作用时，请保持默认选择，关于该选项的作用，请查看帮助）"), tab),
      "标签3");
  hint->setWordWrap(true);
  layout->addWidget(hint);

  auto* options = new QVBoxLayout;
  options->setContentsMargins(24, 0, 0, 0);
  links_ = new QButtonGroup(this);
  links_->setExclusive(true);
  link_buttons_[0] = named(new QRadioButton(QStringLiteral("不处理描述中的超链接（默认）"), tab), "单选框1");
  link_buttons_[1] = named(new QRadioButton(QStringLiteral("自动去除描述中超链接"), tab), "单选框2");
  link_buttons_[2] = named(new QRadioButton(QStringLiteral("将描述中超链接替换为："), tab), "单选框3");
  for (int i = 0; i < 3; ++i) links_->addButton(link_buttons_[i], i + 1);
  auto* row1 = new QHBoxLayout;
  row1->addWidget(link_buttons_[0]);
  row1->addSpacing(24);
  row1->addWidget(link_buttons_[1]);
  row1->addStretch(1);
  options->addLayout(row1);
  auto* row2 = new QHBoxLayout;
  row2->addWidget(link_buttons_[2]);
  link_text_ = named(new QLineEdit(tab), "编辑框1");
  link_text_->setFixedWidth(336);
  row2->addWidget(link_text_);
  row2->addStretch(1);
  options->addLayout(row2);
  main_links_ = named(new QCheckBox(QStringLiteral("自动清除主图链接（适用于做宝贝关联时出现不能使用他人图片空间中的图片的情况）"), tab), "选择框4");
  alt_ = named(new QCheckBox(QStringLiteral("自动清除图片ALT（适用于从1688传淘宝，在淘宝上架时出现您只能使用淘宝图片空间图片的情况）"), tab), "选择框5");
  options->addWidget(main_links_);
  options->addWidget(alt_);
  layout->addLayout(options);

  layout->addWidget(rule(tab, "画板6"));
  auto* third = new QVBoxLayout;
  third->setContentsMargins(24, 0, 0, 0);
  upload_ = named(new QCheckBox(QStringLiteral("自动将图片上传到淘宝图片空间"), tab), "选择框2");
  upload_->setChecked(true);  // not stored: checked at every start
  protected_ = named(new QCheckBox(QStringLiteral("删除参加“图片护盾”或“实拍保护”图片"), tab), "选择框6");
  tmall536_ = named(new QCheckBox(QStringLiteral("天猫店淘宝助理5.36导出数据包处理后导入淘宝助理5.36"), tab), "选择框3");
  third->addWidget(upload_);
  third->addWidget(protected_);
  third->addWidget(tmall536_);
  layout->addLayout(third);
  layout->addStretch(1);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  save_button_ = named(new QPushButton(QStringLiteral("保存配置"), tab), "按钮4");
  save_button_->setMinimumSize(80, 32);
  bottom->addWidget(save_button_);
  bottom->addSpacing(40);
  layout->addLayout(bottom);

  connect(save_button_, &QPushButton::clicked, this, &SettingsPage::save);
}

void SettingsPage::load() { load_settings(*this, options_file_); }

void SettingsPage::save() { save_settings(*this, options_file_); }

void SettingsPage::bind(WindowOptions& options) {
  options.follow(backup_, upload_, tmall536_, main_links_, alt_, protected_, links_, link_text_);
}

std::string SettingsPage::policy_text() const { return to_gbk(policy_->currentText()); }

void SettingsPage::select_policy_entry(int entry) {
  if (entry < 1 || entry > policy_->count()) return;
  policy_->setCurrentIndex(entry - 1);
  policy_->setEditText(policy_->itemText(entry - 1));
}

bool SettingsPage::backup() const { return backup_->isChecked(); }
void SettingsPage::set_backup(bool on) { backup_->setChecked(on); }

int SettingsPage::link_choice() const {
  const int id = links_->checkedId();
  return id >= 1 && id <= 3 ? id : 0;
}

void SettingsPage::set_link_choice(int choice) {
  if (choice >= 1 && choice <= 3) link_buttons_[choice - 1]->setChecked(true);
}

std::string SettingsPage::link_text() const { return to_gbk(link_text_->text()); }
void SettingsPage::set_link_text(const std::string& text) { link_text_->setText(from_gbk(text)); }

bool SettingsPage::clear_main_links() const { return main_links_->isChecked(); }
void SettingsPage::set_clear_main_links(bool on) { main_links_->setChecked(on); }
bool SettingsPage::clear_alt() const { return alt_->isChecked(); }
void SettingsPage::set_clear_alt(bool on) { alt_->setChecked(on); }
bool SettingsPage::protected_pictures() const { return protected_->isChecked(); }
void SettingsPage::set_protected_pictures(bool on) { protected_->setChecked(on); }
bool SettingsPage::tmall536() const { return tmall536_->isChecked(); }
void SettingsPage::set_tmall536(bool on) { tmall536_->setChecked(on); }

void SettingsPage::show_message(const std::string& text, const std::string& caption) {
  MessageRequest request;
  request.caption = from_gbk(caption);
  request.text = from_gbk(text);
  ask_(window(), request);
}

}  // namespace picmove::window
