#include "transfer/processing_run.h"

#include <chrono>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "http/text_helpers.h"
#include "package/description_codec.h"
#include "package/gbk.h"
#include "package/rewrite.h"
#include "package/save_package.h"
#include "transfer/failure_policy.h"

namespace picmove {

struct ProcessingRun::State {
  RunControl control;
  std::mutex text_lock;  // held around every single rewrite of `text`, and nothing else
  WorkingText text;

  std::int32_t total = 0;
  int worker_count = 0;
  std::filesystem::path picture_folder;  // absolute

  std::atomic<std::int32_t> next_row{0};
  std::atomic<int> finished_workers{0};
  std::atomic<std::int32_t> downloaded{0};
  std::atomic<std::int32_t> upload_failures{0};
  std::atomic<std::int32_t> store_failures{0};
  std::atomic<std::int32_t> failures{0};
  std::atomic<std::int32_t> rows_done{0};
  std::atomic<std::int64_t> rewrite_nanoseconds{0};
  std::atomic<std::int64_t> rewrites{0};

  // Claimed once, by the last worker's end-of-run sequence or by a stop, whichever comes first.
  std::atomic<bool> ending_claimed{false};

  std::mutex workers_mutex;
  std::vector<std::thread> workers;

  // Guarded by ProcessingRun::result_mutex_.
  bool ended = false;
  RunResult result;

  RunStatistics snapshot() const {
    RunStatistics s;
    s.total = total;
    s.downloaded = downloaded.load();
    s.upload_failures = upload_failures.load();
    s.failures = failures.load();
    s.store_failures = store_failures.load();
    s.rewrite_nanoseconds = rewrite_nanoseconds.load();
    s.rewrites = rewrites.load();
    return s;
  }
};

namespace {

struct Messages {
  std::string worker = gbk(" 线程：");
  std::string downloading = gbk("  正在下载第:");
  std::string pictures = gbk(" 张图片 ");
  std::string row = gbk("  第:");
  std::string keep = gbk(" 张 描述图片 原图下载结果为空，已自动留在列表内，处理完后请点【开始处理】重试！");
  std::string deleted = gbk(" 张 描述图片 原图下载结果为空 已经删除 ");
  std::string again = gbk(" 张 描述图片 原图下载结果为空 正在重新下载 ");
  std::string upload_failed =
      gbk(" 张 图片 上传失败，已自动留在列表内，处理完后请点【开始处理】重试！\r\n");
  std::string uploaded_head = gbk("  上传第");
  std::string uploaded = gbk(" 张 图片到图片空间成功 \r\n");
  std::string protected_tail = gbk(" 张 图片有保护已置空 \r\n");
  std::string store_failed = gbk(" 张 描述图片 保存失败，已自动留在列表内，处理完后请点【开始处理】重试！");
  std::string row_error = gbk(" 张 处理出错，已自动留在列表内：");
  std::string risk = gbk("风险");
  std::string full = gbk("不足");
  std::string summary_worker = gbk("  线程：");
  std::string summary_done = gbk(" 处理完成！成功： ");
  std::string summary_failed = gbk(" 失败：");
  std::string saving = gbk(" 正在保存文件...\r\n");
  std::string stop_encoding =
      gbk("  图片处理中止，正在进行助理5.36数据包加密处理（可能需要较长时间）……\r\n");
  std::string encoded = gbk("  加密处理完毕……\r\n");
  std::string stopped_total = gbk("  中途停止，总数：");
  std::string stopped_done = gbk("张，已处理");
  std::string stopped_tail =
      gbk("张，下次可以选择该文接继续处理，已处理地址将不会再列出！ 正在保存文件...\r\n");
  std::string not_ready = gbk("还未选择数据包或未点添加到列表！");
  std::string no_image_space = gbk("图片空间不可用，请取消“自动将图片上传到淘宝图片空间”后再处理！");
  std::string no_workers = gbk("无法启动处理线程！");
};

const Messages& messages() {
  static const Messages m;
  return m;
}

std::string num(long long value) { return std::to_string(value); }

bool holds(const std::string& text, const std::string& word) {
  return gbk_find(text, word) != std::string::npos;
}

// The part of an upload answer after its last ",": the new address.
std::string after_last_comma(const std::string& answer) {
  const std::size_t comma = answer.rfind(',');
  return comma == std::string::npos ? std::string() : answer.substr(comma + 1);
}

}  // namespace

ProcessingRun::ProcessingRun(DataPackage& package, AddressList& list, const OptionsView& options,
                             LogSink& log, RunObserver& observer, ImageSpace* image_space,
                             LoginProvider* login, PictureEngines engines)
    : package_(package),
      list_(list),
      options_(options),
      log_(log),
      observer_(observer),
      image_space_(image_space),
      login_(login),
      engines_(std::move(engines)) {}

ProcessingRun::~ProcessingRun() {
  stop_without_saving();
  std::shared_ptr<State> state;
  {
    std::lock_guard lock(result_mutex_);
    state = state_;
  }
  if (state) join_workers(*state);
}

StartResult ProcessingRun::start() {
  std::lock_guard control(control_mutex_);
  const Messages& m = messages();
  std::shared_ptr<State> previous;
  {
    std::lock_guard lock(result_mutex_);
    previous = state_;
    if (previous && !previous->ended) return {StartStatus::busy, {}};
  }

  const bool nothing_listed = list_.count() == 0 || package_.path.empty();
  if (nothing_listed && options_.link_mode() == LinkMode::keep) {
    return {StartStatus::refused, m.not_ready};
  }
  // The text must come from add to list on the file now chosen; a refused package is never
  // saved, so there is nothing a run could finish.
  if (!package_.loaded || package_.refused) return {StartStatus::refused, m.not_ready};

  auto state = std::make_shared<State>();
  state->total = static_cast<std::int32_t>(list_.count());
  const bool upload = options_.upload();
  state->worker_count = upload ? 2 : 5;
  if (upload) {
    if (!image_space_ || !login_) return {StartStatus::refused, m.no_image_space};
    if (login_->login()) return {StartStatus::login_cancelled, {}};
  } else {
    std::error_code ec;
    state->picture_folder = std::filesystem::absolute(package_.picture_folder(), ec);
    if (ec) state->picture_folder = package_.picture_folder();
    // One level only: the package folder exists. A folder that cannot be made shows up as a
    // failed store for every row.
    if (!std::filesystem::exists(state->picture_folder, ec)) {
      std::filesystem::create_directory(state->picture_folder, ec);
    }
  }
  state->text.set(package_.text);
  {
    // Every row's entry text and address is what the rewrites will look for.
    std::vector<std::string> finds;
    for (const auto& row : list_.rows()) {
      finds.push_back(row.entry);
      finds.push_back(entry_address(row.entry));
    }
    state->text.index_finds(finds);
  }

  if (previous) join_workers(*previous);
  {
    std::lock_guard lock(result_mutex_);
    state_ = state;
  }

  std::lock_guard workers(state->workers_mutex);
  for (int j = 1; j <= state->worker_count; ++j) {
    try {
      state->workers.emplace_back([this, state, j] { worker_main(*state, j); });
    } catch (const std::system_error&) {
      // Without all its workers the run could never end by itself: end it now, nothing changed.
      state->ending_claimed = true;
      state->control.stop();
      for (auto& t : state->workers) t.join();
      state->workers.clear();
      std::lock_guard lock(result_mutex_);
      state->ended = true;
      state->result.ending = RunEnding::stopped_unsaved;
      ended_.notify_all();
      return {StartStatus::refused, m.no_workers};
    }
  }
  return {StartStatus::started, {}};
}

void ProcessingRun::worker_main(State& state, int worker) {
  while (state.control.pass_gate()) {
    // Claim-or-leave in one step: no row is taken twice or skipped.
    std::int32_t row = state.next_row.load();
    bool claimed = false;
    while (row < state.total) {
      if (state.next_row.compare_exchange_weak(row, row + 1)) {
        claimed = true;
        break;
      }
    }
    if (!claimed) break;
    const std::int32_t p = row + 1;
    bool go_on = true;
    try {
      go_on = process_row(state, worker, p);
    } catch (const std::exception& e) {
      const Messages& m = messages();
      write_log(log_, m.worker + num(worker) + m.row + num(p) + "/" + num(state.total) +
                          m.row_error + e.what() + "\r\n");
    }
    if (!go_on) break;
    observer_.on_progress(++state.rows_done, state.total);
  }

  if (state.finished_workers.fetch_add(1) + 1 == state.worker_count) {
    bool expected = false;
    if (state.ending_claimed.compare_exchange_strong(expected, true)) end_of_run(state, worker);
  }
}

// Returns false when the run was stopped: the row is left as it is and the worker ends.
bool ProcessingRun::process_row(State& state, int worker, std::int32_t p) {
  const Messages& m = messages();
  RunControl& control = state.control;
  const std::string entry = list_.text(static_cast<std::size_t>(p - 1));
  const std::string address = entry_address(entry);
  const char marker = entry_marker(entry);
  const std::string who = m.worker + num(worker);
  const std::string of_n = num(p) + "/" + num(state.total);

  auto rewrite = [&](auto&& change) {
    std::lock_guard lock(state.text_lock);
    // Checked under the lock: once a stop has joined the workers no rewrite can follow.
    if (control.stopped()) return false;
    const auto begin = std::chrono::steady_clock::now();
    change(state.text);
    state.rewrite_nanoseconds += std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now() - begin)
                                     .count();
    ++state.rewrites;
    return true;
  };
  auto mark_done = [&] { list_.mark_selected(static_cast<std::size_t>(p - 1)); };
  auto delete_row = [&] {
    if (marker != '#' &&
        !rewrite([&](WorkingText& text) { delete_address(text, address); })) {
      return false;
    }
    mark_done();
    write_log(log_, who + m.row + of_n + m.deleted + address + "\r\n");
    return true;
  };

  write_log(log_, who + m.downloading + of_n + m.pictures + address + "\r\n");
  if (!control.pass_gate()) return false;

  Picture picture = obtain_picture(entry, package_.main_picture_folder(), engines_, &control);
  if (control.stopped()) return false;

  if (download_failed(picture.bytes)) {
    switch (failure_policy()) {
      case 1:
        write_log(log_, who + m.row + of_n + m.keep + address + "\r\n");
        return true;
      case 2:
        return delete_row();
      case 3: {
        write_log(log_, who + m.row + of_n + m.again + address + "\r\n");
        // A download of the address, also for a main-image entry.
        std::string bytes = engines_.first(address, &control);
        if (control.stopped()) return false;
        if (download_failed(bytes)) return delete_row();
        std::string name = picture_file_name(address, bytes);
        if (name.size() >= 21) {
          bytes = engines_.second(address, &control);
          if (control.stopped()) return false;
          name = picture_file_name(address, bytes);
        }
        picture = {std::move(bytes), std::move(name)};
        break;
      }
      default:
        break;  // no usable policy: the picture goes on as it is
    }
  }
  if (!control.pass_gate()) return false;

  if (options_.upload()) {
    const std::string resize = marker == '>' ? "620" : "0";
    std::string file_id, new_address;
    bool uploaded = false;
    for (int attempt = 0; attempt < 2 && !uploaded; ++attempt) {
      if (!image_space_) break;
      std::string answer = image_space_->upload_picture(picture.bytes, resize, worker, control);
      // Risk checks and a full space are waited out, once a second, until they pass or stop.
      while (!control.stopped() && (holds(answer, m.risk) || holds(answer, m.full))) {
        write_log(log_, who + answer + "\r\n");
        if (!control.sleep_for(std::chrono::milliseconds(1000))) return false;
        answer = image_space_->upload_picture(picture.bytes, resize, worker, control);
      }
      if (control.stopped()) return false;
      file_id = answer.substr(0, answer.find(','));
      new_address = after_last_comma(answer);
      uploaded = !new_address.empty() && new_address != ",";
    }
    if (!uploaded) {
      write_log(log_, who + m.row + of_n + m.upload_failed);
      ++state.downloaded;
      ++state.upload_failures;
      return true;
    }
    write_log(log_, who + m.uploaded_head + of_n + m.uploaded);
    if (options_.protected_pictures() && image_space_->image_is_protected(new_address, control)) {
      if (control.stopped()) return false;
      write_log(log_, who + m.uploaded_head + of_n + m.protected_tail);
      image_space_->batch_delete(file_id, control);
      if (!rewrite([&](WorkingText& text) { delete_address(text, address); })) return false;
    } else if (marker != '#') {
      if (!rewrite([&](WorkingText& text) {
            rewrite_to_uploaded_address(text, entry, new_address);
          })) {
        return false;
      }
    }
  } else {
    // The picture is stored before the reference is rewritten, so the package never points at
    // a file that is not there; a picture that cannot be written keeps its row and address.
    const StoreResult stored = store_picture(state.picture_folder, picture.name, picture.bytes);
    if (!stored.ok) {
      ++state.store_failures;
      write_log(log_, who + m.row + of_n + m.store_failed + " " +
                          path_to_gbk(state.picture_folder / picture.name) + " " +
                          stored.error + "\r\n");
      return true;
    }
    const std::string local_path = path_to_gbk(state.picture_folder / picture.name);
    if (!rewrite([&](WorkingText& text) { rewrite_to_local_file(text, entry, local_path); })) {
      return false;
    }
  }
  ++state.downloaded;
  mark_done();
  return true;
}

void ProcessingRun::end_of_run(State& state, int worker) {
  const Messages& m = messages();
  RunResult result;
  result.ending = RunEnding::completed;
  try {
    take_back_text(state);
    state.failures = state.total - state.downloaded.load();
    finish_descriptions(package_.text, options_, log_);
    write_log(log_, m.summary_worker + num(worker) + m.summary_done + num(state.downloaded) +
                        m.summary_failed + num(state.failures) + m.saving);
    save_and_report(state, result);
  } catch (...) {
    result.statistics = state.snapshot();
  }
  finish(state, std::move(result));
}

StopStatus ProcessingRun::stop_and_save() { return stop(true); }
StopStatus ProcessingRun::stop_without_saving() { return stop(false); }

StopStatus ProcessingRun::stop(bool save) {
  std::lock_guard control(control_mutex_);
  std::shared_ptr<State> state;
  {
    std::lock_guard lock(result_mutex_);
    state = state_;
    if (!state || state->ended) return StopStatus::not_running;
  }
  bool expected = false;
  if (!state->ending_claimed.compare_exchange_strong(expected, true)) {
    return StopStatus::already_ending;
  }
  // Terminate all workers: the token ends every step, wait and transfer, paused ones included;
  // no worker is ended inside a rewrite.
  state->control.stop();
  join_workers(*state);

  const Messages& m = messages();
  RunResult result;
  if (!save) {
    result.ending = RunEnding::stopped_unsaved;
    result.statistics = state->snapshot();
    observer_.on_restore_controls();
    finish(*state, std::move(result));
    return StopStatus::stopped;
  }

  result.ending = RunEnding::stopped_saved;
  take_back_text(*state);
  if (options_.tmall536()) {
    write_log(log_, m.stop_encoding);
    encode_marked_descriptions(package_.text);
    write_log(log_, m.encoded);
  }
  write_log(log_, m.stopped_total + num(state->total) + m.stopped_done +
                      num(state->downloaded) + m.stopped_tail);
  save_and_report(*state, result);  // failures stay 0 on a stopped run
  finish(*state, std::move(result));
  return StopStatus::stopped;
}

// The text the run started from is replaced: let it go before the whole text is rebuilt.
void ProcessingRun::take_back_text(State& state) {
  std::string().swap(package_.text);
  package_.text = state.text.take();
}

// What both endings that save share: save, drop the rows done, report, give the controls back.
void ProcessingRun::save_and_report(State& state, RunResult& result) {
  result.save_attempted = true;
  result.saved = save_package(package_, package_.text, options_, log_);
  list_.remove_selected_rows();
  result.statistics = state.snapshot();
  result.texts = fill_completion_texts(result.statistics, options_.upload(), failure_policy());
  observer_.on_completion(result.texts);
  observer_.on_restore_controls();
}

void ProcessingRun::join_workers(State& state) {
  std::vector<std::thread> workers;
  {
    std::lock_guard lock(state.workers_mutex);
    workers.swap(state.workers);
  }
  for (auto& t : workers) {
    if (t.get_id() == std::this_thread::get_id()) {
      t.detach();  // called from an observer on the last worker: it ends by itself
    } else {
      t.join();
    }
  }
}

void ProcessingRun::finish(State& state, RunResult result) {
  std::lock_guard lock(result_mutex_);
  state.result = std::move(result);
  state.ended = true;
  ended_.notify_all();
}

void ProcessingRun::pause() {
  std::lock_guard control(control_mutex_);
  std::lock_guard lock(result_mutex_);
  if (state_ && !state_->ended) state_->control.pause();
}

void ProcessingRun::resume() {
  std::lock_guard control(control_mutex_);
  std::shared_ptr<State> state;
  {
    std::lock_guard lock(result_mutex_);
    state = state_;
  }
  if (!state || !state->control.paused()) return;
  // The login may have run out while the workers stood still.
  if (options_.upload() && login_) login_->login();
  state->control.resume();
}

bool ProcessingRun::paused() const {
  std::lock_guard lock(result_mutex_);
  return state_ && !state_->ended && state_->control.paused();
}

RunResult ProcessingRun::wait() {
  std::shared_ptr<State> state;
  RunResult result;
  {
    std::unique_lock lock(result_mutex_);
    state = state_;
    if (!state) return result;
    ended_.wait(lock, [&] { return state->ended; });
    result = state->result;
  }
  join_workers(*state);
  return result;
}

bool ProcessingRun::running() const {
  std::lock_guard lock(result_mutex_);
  return state_ && !state_->ended;
}

RunStatistics ProcessingRun::statistics() const {
  std::lock_guard lock(result_mutex_);
  return state_ ? state_->snapshot() : RunStatistics{};
}

CompletionTexts ProcessingRun::completion_texts() const {
  return fill_completion_texts(statistics(), options_.upload(), failure_policy());
}

}  // namespace picmove
