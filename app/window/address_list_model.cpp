#include "app/window/address_list_model.h"

#include <QMetaObject>
#include <QThread>

#include "package/gbk.h"

namespace picmove::window {

AddressListModel::AddressListModel(AddressList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
  list_.set_listener([this] { queue_refresh(); });
  refresh();
}

AddressListModel::~AddressListModel() { detach(); }

void AddressListModel::detach() { list_.set_listener(nullptr); }

void AddressListModel::queue_refresh() {
  // Workers mark rows much faster than the view needs to follow: one refresh in flight at most.
  if (refresh_queued_.exchange(true)) return;
  QMetaObject::invokeMethod(this, &AddressListModel::refresh, Qt::QueuedConnection);
}

void AddressListModel::refresh() {
  refresh_queued_ = false;
  const std::vector<AddressRow> rows = list_.rows();

  bool same_rows = rows.size() == entries_.size();
  for (std::size_t i = 0; same_rows && i < rows.size(); ++i) {
    same_rows = rows[i].entry == entries_[i];
  }
  bool same_selection = same_rows;
  for (std::size_t i = 0; same_selection && i < rows.size(); ++i) {
    same_selection = rows[i].selected == selected_[i];
  }

  if (!same_rows) {
    beginResetModel();
    entries_.clear();
    shown_.clear();
    entries_.reserve(rows.size());
    shown_.reserve(static_cast<qsizetype>(rows.size()));
    for (const auto& row : rows) {
      entries_.push_back(row.entry);
      shown_.push_back(QString::fromStdString(gbk_to_utf8(row.entry)));
    }
    endResetModel();
  }
  selected_.assign(rows.size(), false);
  for (std::size_t i = 0; i < rows.size(); ++i) selected_[i] = rows[i].selected;

  emit count_changed(static_cast<int>(entries_.size()));
  if (!same_selection) emit core_selection_changed();
}

int AddressListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int AddressListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant AddressListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shown_.size()) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  if (index.column() != 0) return QString();
  return shown_.at(index.row());
}

QVariant AddressListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section == 0) return QStringLiteral("待处理图片地址");
  if (section == 1) return QStringLiteral("下截后地址");
  return {};
}

QItemSelection AddressListModel::core_selection() const {
  QItemSelection selection;
  const int last_column = columnCount() - 1;
  int first = -1;
  for (int i = 0; i <= static_cast<int>(selected_.size()); ++i) {
    const bool on = i < static_cast<int>(selected_.size()) && selected_[static_cast<std::size_t>(i)];
    if (on && first < 0) first = i;
    if (!on && first >= 0) {
      selection.select(index(first, 0), index(i - 1, last_column));
      first = -1;
    }
  }
  return selection;
}

std::string AddressListModel::entry(int row) const {
  if (row < 0 || row >= static_cast<int>(entries_.size())) return {};
  return entries_[static_cast<std::size_t>(row)];
}

}  // namespace picmove::window
