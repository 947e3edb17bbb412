// picmove-cli run PACKAGE.csv [--options FILE] [--policy 1|2|3] [--backup] [--tmall536]
//     [--links keep|remove|replace:TEXT] [--clear-main-links] [--clear-alt] [--protected]
//     [--upload --cookies FILE --folder-id ID [--public] [--watermark]]
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <thread>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/cookie_login.h"
#include "cli/progress_line.h"
#include "app/options/service_settings.h"
#include "imagespace/publish_form.h"
#include "imagespace/service_image_space.h"
#include "package/address_extraction.h"
#include "package/gbk.h"
#include "transfer/failure_policy.h"
#include "transfer/processing_run.h"

namespace picmove::cli {
namespace {

constexpr int kExitStopped = 130;
constexpr const char* kRunUsage =
    "usage: picmove-cli run PACKAGE.csv [--options FILE] [--policy 1|2|3] [--backup] [--tmall536] "
    "[--links keep|remove|replace:TEXT] [--clear-main-links] [--clear-alt] [--protected] "
    "[--upload --cookies FILE --folder-id ID [--public] [--watermark]]";

class CliObserver : public RunObserver {
 public:
  explicit CliObserver(ProgressLogSink& sink) : sink_(sink) {}
  void on_completion(const CompletionTexts&) override {}
  void on_restore_controls() override { sink_.finish(); }
  void on_progress(std::int32_t done, std::int32_t total) override { sink_.progress(done, total); }

 private:
  ProgressLogSink& sink_;
};

struct RunFlags {
  std::optional<std::filesystem::path> options_file;
  int policy = 0;
  bool backup = false, tmall536 = false, clear_main_links = false, clear_alt = false,
       protected_pictures = false;
  bool upload = false, public_pictures = false, watermark = false;
  std::optional<std::filesystem::path> cookie_file;
  std::optional<std::string> folder_id;
  std::optional<LinkMode> links;
  std::string links_text;  // UTF-8 as given
};

bool read_flags(const ParsedArgs& parsed, RunFlags& flags, std::string& error) {
  for (const auto& [name, value] : parsed.flags) {
    if (name == "--options") flags.options_file = value;
    else if (name == "--backup") flags.backup = true;
    else if (name == "--tmall536") flags.tmall536 = true;
    else if (name == "--clear-main-links") flags.clear_main_links = true;
    else if (name == "--clear-alt") flags.clear_alt = true;
    else if (name == "--protected") flags.protected_pictures = true;
    else if (name == "--upload") flags.upload = true;
    else if (name == "--public") flags.public_pictures = true;
    else if (name == "--watermark") flags.watermark = true;
    else if (name == "--cookies") flags.cookie_file = value;
    else if (name == "--folder-id") flags.folder_id = value;
    else if (name == "--policy") {
      if (value != "1" && value != "2" && value != "3") {
        error = "--policy takes 1 (keep), 2 (delete) or 3 (download again, then delete)";
        return false;
      }
      flags.policy = value[0] - '0';
    } else if (name == "--links") {
      if (value == "keep") flags.links = LinkMode::keep;
      else if (value == "remove") flags.links = LinkMode::remove;
      else if (value.rfind("replace:", 0) == 0) {
        flags.links = LinkMode::replace;
        flags.links_text = value.substr(8);
      } else {
        error = "--links takes keep, remove or replace:TEXT";
        return false;
      }
    }
  }
  if (flags.upload && (!flags.cookie_file || !flags.folder_id)) {
    error = "--upload needs --cookies FILE and --folder-id ID (picmove-cli folders lists the ids)";
    return false;
  }
  if (!flags.upload && (flags.cookie_file || flags.folder_id || flags.public_pictures ||
                        flags.watermark)) {
    error = "--cookies, --folder-id, --public and --watermark go with --upload";
    return false;
  }
  // The id goes into the upload address as it is: only the characters an id is made of.
  if (flags.folder_id &&
      (flags.folder_id->empty() ||
       flags.folder_id->find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyz"
                                          "ABCDEFGHIJKLMNOPQRSTUVWXYZ-_.") != std::string::npos)) {
    error = "--folder-id takes a folder id as picmove-cli folders prints it";
    return false;
  }
  return true;
}

// Ctrl-C and SIGTERM arrive here instead of killing the process in the middle of a save.
class StopSignals {
 public:
  StopSignals() {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    sigaddset(&set_, SIGUSR1);  // the run ended: the watcher leaves
    // Blocked before any worker starts, so every thread inherits the mask.
    pthread_sigmask(SIG_BLOCK, &set_, &old_);
  }
  ~StopSignals() { stop_watching(); }

  // Ends the watcher; called before the run it watches goes away.
  void stop_watching() {
    if (watcher_.joinable()) {
      kill(getpid(), SIGUSR1);
      watcher_.join();
    }
  }

  // The first Ctrl-C pauses the run and asks; a second one within two seconds stops without
  // saving, otherwise the work done is saved. SIGTERM saves at once.
  void watch(ProcessingRun& run, ProgressLogSink& sink) {
    watcher_ = std::thread([this, &run, &sink] {
      int signal = 0;
      while (sigwait(&set_, &signal) == 0) {
        if (signal == SIGUSR1) return;
        stopped_ = true;
        if (signal == SIGTERM) {
          run.stop_and_save();
          continue;
        }
        run.pause();
        sink.finish();
        std::fputs("picmove-cli: paused; saving the work done in 2 s, press Ctrl-C again to stop "
                   "without saving\n", stderr);
        timespec wait{2, 0};
        const int next = sigtimedwait(&set_, nullptr, &wait);
        if (next == SIGUSR1) return;
        if (next == SIGINT || next == SIGTERM) {
          run.stop_without_saving();
        } else {
          run.stop_and_save();
        }
      }
    });
  }

  bool stopped() const { return stopped_; }

 private:
  sigset_t set_{}, old_{};
  std::thread watcher_;
  std::atomic<bool> stopped_{false};
};

}  // namespace

int run_command(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  std::string error;
  RunFlags flags;
  if (!parse_args(args,
                  {"--backup", "--tmall536", "--clear-main-links", "--clear-alt", "--protected",
                   "--upload", "--public", "--watermark"},
                  {"--options", "--policy", "--links", "--cookies", "--folder-id"}, parsed,
                  error) ||
      !read_flags(parsed, flags, error)) {
    return fail(kExitUsage, error);
  }
  if (parsed.positional.size() != 1) return fail(kExitUsage, kRunUsage);
  if (flags.options_file && !std::ifstream(*flags.options_file)) {
    return fail(kExitUsage, "cannot read the options file " + flags.options_file->string());
  }

  const PlainSettings settings = load_settings_file(flags.options_file);
  if (flags.policy != 0) set_failure_policy(flags.policy);
  PlainOptions options = options_from_settings(settings);
  // Uploading only when asked here: a ticked upload box in the options file needs a login.
  options.upload_on = flags.upload;
  options.backup_on = options.backup_on || flags.backup;
  options.tmall536_on = options.tmall536_on || flags.tmall536;
  options.clear_main_links_on = options.clear_main_links_on || flags.clear_main_links;
  options.clear_alt_on = options.clear_alt_on || flags.clear_alt;
  options.protected_on = options.protected_on || flags.protected_pictures;
  if (flags.links) {
    options.links = *flags.links;
    options.links_text = utf8_to_gbk(flags.links_text);
  }

  DataPackage package;
  const ChooseResult chosen = choose_package(package, std::filesystem::path(parsed.positional[0]));
  if (!chosen.ok) return fail(kExitUsage, gbk_to_utf8(chosen.message));
  if (!std::ifstream(package.path, std::ios::binary)) {
    return fail(kExitFailure, "cannot read the package " + package.path.string());
  }

  ProgressLogSink log(isatty(STDERR_FILENO) == 1);
  AddressList list;
  const ListResult listed = add_to_list(package, options, list, log);
  if (listed.refused) {
    return fail(kExitFailure, "the package was refused (see the log above); it was not changed");
  }
  if (list.count() == 0 && options.link_mode() == LinkMode::keep) {
    std::fputs("picmove-cli: the package lists no picture addresses and no link option is set; "
               "nothing to do, the file was not changed\n", stderr);
    return kExitOk;
  }

  // The login and the image space live as long as the run that uses them.
  std::string cookies;
  if (flags.upload && !read_cookie_file(*flags.cookie_file, cookies, error)) {
    return fail(kExitFailure, error);
  }
  const std::filesystem::path options_path =
      flags.options_file ? *flags.options_file : options_file_path(program_directory());
  const ServiceEndpoints endpoints = read_service_endpoints(options_path);
  ImageSpaceLogin login;
  CookieFileLogin cookie_login(login, endpoints, std::move(cookies),
                               {flags.folder_id.value_or(""), flags.public_pictures ? "true" : "false",
                                flags.watermark ? "true" : "false"});
  ServiceImageSpace image_space(login, endpoints,
                                load_publish_form(options_path.parent_path()));

  StopSignals signals;
  CliObserver observer(log);
  ProcessingRun run(package, list, options, log, observer, &image_space, &cookie_login);
  const StartResult started = run.start();
  if (started.status == StartStatus::login_cancelled) {
    return fail(kExitFailure, cookie_login.refusal() + "; the package was not changed");
  }
  if (started.status != StartStatus::started) {
    return fail(kExitFailure, started.message.empty() ? std::string("the run did not start")
                                                      : gbk_to_utf8(started.message));
  }
  signals.watch(run, log);
  const RunResult result = run.wait();
  signals.stop_watching();
  log.finish();

  // For benchmarks and curious users: how long the rewrites of the package took.
  std::fprintf(stderr, "picmove-cli: %lld rewrites of the package text took %lld ms\n",
               static_cast<long long>(result.statistics.rewrites),
               static_cast<long long>(result.statistics.rewrite_nanoseconds / 1000000));
  if (result.ending != RunEnding::stopped_unsaved) {
    print_line(result.texts.total_line);
    print_line(result.texts.success_line);
    print_line(result.texts.failure_line);
    if (!result.texts.policy_note.empty()) print_line(result.texts.policy_note);
    std::fflush(stdout);
  }
  if (result.save_attempted && !result.saved) {
    return fail(kExitFailure, "the package could not be saved (see the log); the file on disk "
                              "was left as it was");
  }
  if (result.ending == RunEnding::stopped_unsaved) {
    return fail(kExitStopped, "stopped without saving; the package was not changed");
  }
  if (result.ending == RunEnding::stopped_saved) {
    return fail(kExitStopped, "stopped; the work done so far was saved");
  }
  return kExitOk;
}

}  // namespace picmove::cli
