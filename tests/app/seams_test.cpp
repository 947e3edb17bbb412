// The window's sides of the core seams, used from worker threads: the log box, the address list
// model and the wait for the window's thread.
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "app/window/address_list_model.h"
#include "app/window/log_box.h"
#include "app/window/ui_call.h"
#include "package/gbk.h"

namespace picmove::window_test {

class SeamsTest : public QObject {
  Q_OBJECT

 private slots:
  void logLinesFromManyThreadsArriveWholeAndInCallOrder() {
    QPlainTextEdit box;
    window::LogBox log(&box);
    constexpr int kThreads = 4;
    constexpr int kLines = 300;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
      writers.emplace_back([&log, t] {
        for (int i = 0; i < kLines; ++i) {
          // A long line, so that a split or interleaved line would show.
          log.append(gbk("线程") + std::to_string(t) + " " + std::to_string(i) + " " +
                     std::string(200, static_cast<char>('a' + t)) + "\r\n");
        }
      });
    }
    for (auto& writer : writers) writer.join();
    QTRY_COMPARE(box.document()->blockCount(), kThreads * kLines + 1);  // the last one is empty

    std::vector<int> next(kThreads, 0);
    const QStringList lines = box.toPlainText().split(QLatin1Char('\n'));
    for (int n = 0; n < kThreads * kLines; ++n) {
      const QString& line = lines.at(n);
      QVERIFY2(line.startsWith(QStringLiteral("线程")), qPrintable(line));
      const int t = line.mid(2, 1).toInt();
      const int i = line.section(QLatin1Char(' '), 1, 1).toInt();
      QCOMPARE(i, next[t]);  // each writer's lines in its own call order
      ++next[t];
      QCOMPARE(line.section(QLatin1Char(' '), 2), QString(200, QChar(QLatin1Char('a' + t))));
    }
    QCOMPARE(lines.last(), QString());
  }

  void logLinesWithoutALineEndContinueTheLastLine() {
    QPlainTextEdit box;
    window::LogBox log(&box);
    log.append(gbk("  开始"));
    log.append(gbk("……完毕\r\n"));
    QCOMPARE(box.toPlainText(), QStringLiteral("  开始……完毕\n"));
  }

  void theModelFollowsTheListChangedByAnotherThread() {
    AddressList list;
    window::AddressListModel model(list);
    QSignalSpy counts(&model, &window::AddressListModel::count_changed);
    QSignalSpy selections(&model, &window::AddressListModel::core_selection_changed);
    std::thread worker([&list] {
      for (int i = 0; i < 50; ++i) list.append("\"http://127.0.0.1/" + std::to_string(i) + ".jpg");
    });
    worker.join();
    QTRY_COMPARE(model.rowCount(), 50);
    QCOMPARE(counts.last().at(0).toInt(), 50);
    // Many changes from one thread become few refreshes.
    QVERIFY(counts.size() < 50);
    QCOMPARE(model.data(model.index(7, 0), Qt::DisplayRole).toString(),
             QStringLiteral("\"http://127.0.0.1/7.jpg"));
    QCOMPARE(model.data(model.index(7, 1), Qt::DisplayRole).toString(), QString());
    QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("下截后地址"));

    std::thread marker([&list] {
      for (int row : {3, 4, 5, 9, 49}) list.mark_selected(static_cast<std::size_t>(row));
    });
    marker.join();
    QTRY_VERIFY(!selections.isEmpty());
    QTRY_COMPARE(model.core_selection().indexes().size() / model.columnCount(), 5);
    const QItemSelection ranges = model.core_selection();
    QCOMPARE(ranges.size(), 3);  // 3..5, 9, 49
    QCOMPARE(ranges.at(0).top(), 3);
    QCOMPARE(ranges.at(0).bottom(), 5);
    QCOMPARE(ranges.at(2).top(), 49);

    list.remove_selected_rows();
    QTRY_COMPARE(model.rowCount(), 45);
    QVERIFY(model.core_selection().isEmpty());
    model.detach();
  }

  void aWorkerWaitsForTheWindowThreadUntilTheWorkRan() {
    QObject context;
    window::UiCall call(&context);
    std::atomic<bool> returned{false};
    QThread* ran_on = nullptr;
    std::thread worker([&] {
      call.run_and_wait([&] { ran_on = QThread::currentThread(); });
      returned = true;
    });
    // Without this thread's event loop the work cannot run, and the worker keeps waiting.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    QVERIFY(!returned);
    QTRY_VERIFY(returned);
    worker.join();
    QCOMPARE(ran_on, QThread::currentThread());

    // On the window's thread the work runs at once.
    bool direct = false;
    call.run_and_wait([&] { direct = true; });
    QVERIFY(direct);
  }

  void closingReleasesAWaitingWorkerAndDropsItsWork() {
    QObject context;
    window::UiCall call(&context);
    std::atomic<bool> returned{false};
    std::atomic<bool> ran{false};
    std::thread worker([&] {
      call.run_and_wait([&] { ran = true; });
      returned = true;
    });
    // The window's thread never gets to the queued work: it is being torn down.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (std::chrono::steady_clock::now() < deadline && !returned) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    QVERIFY(!returned);
    call.close();
    worker.join();
    QVERIFY(returned);
    QCoreApplication::processEvents();
    QVERIFY(!ran);
    call.run_and_wait([&] { ran = true; });  // closed: not even on this thread
    QVERIFY(!ran);
  }
};

}  // namespace picmove::window_test

QObject* make_seams_test() { return new picmove::window_test::SeamsTest; }

#include "seams_test.moc"
