// The address list 超级列表框1 as the view sees it: a two-column table ("待处理图片地址",
// "下截后地址", the second always empty) over the core's AddressList. The core calls the
// listener from any thread; the model coalesces those calls into one refresh on its own thread.
#pragma once

#include <QAbstractTableModel>
#include <QItemSelection>
#include <QStringList>

#include <atomic>
#include <string>
#include <vector>

#include "package/address_list.h"

namespace picmove::window {

class AddressListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Installs itself as the list's listener; detach() (or the destructor) removes it.
  AddressListModel(AddressList& list, QObject* parent = nullptr);
  ~AddressListModel() override;

  void detach();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The core rows selected at the last refresh, as a selection of this model.
  QItemSelection core_selection() const;

  // The entry text (GBK) shown in a row at the last refresh.
  std::string entry(int row) const;

 public slots:
  // Re-reads the core list now (window thread).
  void refresh();

 signals:
  // The row count after a refresh.
  void count_changed(int count);
  // The core's selected flags changed (a run marked rows done, or rows were replaced).
  void core_selection_changed();

 private:
  void queue_refresh();

  AddressList& list_;
  std::vector<std::string> entries_;
  std::vector<bool> selected_;
  QStringList shown_;
  std::atomic<bool> refresh_queued_{false};
};

}  // namespace picmove::window
