// The processing run: workers walk the address list, obtain each picture, store or upload it,
// rewrite its references in the working text; the last worker finishes the descriptions, saves
// the package and reports. Pause, resume and the two kinds of stop come from outside.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "http/run_control.h"
#include "package/address_list.h"
#include "package/data_package.h"
#include "package/log_sink.h"
#include "package/options_view.h"
#include "package/working_text.h"
#include "imagespace/image_space.h"
#include "transfer/picture.h"
#include "transfer/run_statistics.h"

namespace picmove {

// What the caller sees of a run, besides the log and the list. on_completion and
// on_restore_controls are called once per ending, in that order, on the thread that ends the run
// (the last worker, or the caller of a stop); the run waits for each to return. on_progress is
// called from workers after every row and must not wait for the thread that stops the run.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  virtual void on_completion(const CompletionTexts& texts) = 0;
  virtual void on_restore_controls() = 0;
  virtual void on_progress(std::int32_t rows_done, std::int32_t total) {
    (void)rows_done;
    (void)total;
  }
};

enum class StartStatus {
  started,          // workers are running; start returned at once
  refused,          // `message` says why (GBK); nothing changed
  login_cancelled,  // the login before an uploading run was cancelled; nothing changed
  busy,             // a run is still going on
};

struct StartResult {
  StartStatus status = StartStatus::refused;
  std::string message;  // GBK, for a message box captioned "提示"
};

enum class RunEnding {
  none,              // not started, or still going on
  completed,         // the last worker ran the end-of-run sequence
  stopped_saved,     // stopped, the work done was saved (or the save was tried)
  stopped_unsaved,   // stopped without saving: nothing written
};

struct RunResult {
  RunEnding ending = RunEnding::none;
  bool save_attempted = false;
  bool saved = false;  // the package file was written (false when the save failed)
  RunStatistics statistics;
  CompletionTexts texts;  // empty for stopped_unsaved
};

enum class StopStatus {
  stopped,         // this call ended the run
  not_running,     // nothing to stop
  already_ending,  // the run is ending by itself or by another stop; that ending stands
};

class ProcessingRun {
 public:
  // Everything is borrowed and must outlive the run. `image_space` and `login` may be null when
  // the caller never uploads; a run asked to upload without them is refused.
  ProcessingRun(DataPackage& package, AddressList& list, const OptionsView& options,
                LogSink& log, RunObserver& observer, ImageSpace* image_space = nullptr,
                LoginProvider* login = nullptr, PictureEngines engines = PictureEngines::standard());
  ~ProcessingRun();  // stops a run still going on (without saving) and joins every worker
  ProcessingRun(const ProcessingRun&) = delete;
  ProcessingRun& operator=(const ProcessingRun&) = delete;

  // Refuses, or opens the login when uploading, prepares the picture folder and the working
  // text, starts the workers and returns.
  StartResult start();

  // Holds every worker where it stands (between steps, in the upload waits, inside transfers).
  void pause();
  // When uploading, the login comes first (its outcome is not looked at); then the workers go on.
  void resume();
  bool paused() const;

  // Stop, then save the work done: no cleaning of the descriptions, the 5.36 fields encoded
  // again, the rows done removed, completion reported with no failures, controls restored.
  // Not for a worker thread (an observer callback).
  StopStatus stop_and_save();
  // Stop and restore the controls; nothing is written and the list keeps every row.
  StopStatus stop_without_saving();

  // Blocks until the current run has ended (any ending); returns at once when none was started.
  RunResult wait();
  bool running() const;

  // The counters of the current or last run (kept after it for the completion window).
  RunStatistics statistics() const;
  // The completion texts as the window shows them now.
  CompletionTexts completion_texts() const;

 private:
  struct State;

  void worker_main(State& state, int worker);
  bool process_row(State& state, int worker, std::int32_t row);
  void end_of_run(State& state, int worker);
  void take_back_text(State& state);
  void save_and_report(State& state, RunResult& result);
  StopStatus stop(bool save);
  void join_workers(State& state);
  void finish(State& state, RunResult result);

  DataPackage& package_;
  AddressList& list_;
  const OptionsView& options_;
  LogSink& log_;
  RunObserver& observer_;
  ImageSpace* image_space_;
  LoginProvider* login_;
  PictureEngines engines_;

  std::mutex control_mutex_;  // start, pause, resume and stop, one at a time
  std::shared_ptr<State> state_;

  mutable std::mutex result_mutex_;
  std::condition_variable ended_;
};

}  // namespace picmove
