// The Windows build's own message boxes (MessageBoxA), as its users meet them: shown through the
// emulator on a virtual X server, found by their title and answered from the keyboard. Every other
// test sees the boxes only in their console form (VEROLT_BOXES=console).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using Clock = std::chrono::steady_clock;

// Xvfb on a display number of its own choosing (-displayfd), stopped with the object.
class VirtualDisplay {
 public:
  explicit VirtualDisplay(const std::string& logPath) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const std::string fd = std::to_string(fds[1]);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::fcntl(fds[1], F_SETFD, 0);
      if (log >= 0) {
        ::dup2(log, 1);
        ::dup2(log, 2);
      }
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
               "800x600x24", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    if (log >= 0) ::close(log);
    // The number comes once the server accepts clients; end of file when it could not start.
    std::string number;
    for (const auto deadline = Clock::now() + seconds(20);
         number.find('\n') == std::string::npos && Clock::now() < deadline;) {
      pollfd ready{fds[0], POLLIN, 0};
      if (::poll(&ready, 1, 100) <= 0) continue;
      char bytes[16];
      const ssize_t n = ::read(fds[0], bytes, sizeof bytes);
      if (n <= 0) break;
      number.append(bytes, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (number.find('\n') != std::string::npos) name_ = ":" + number.substr(0, number.find('\n'));
  }
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;
  ~VirtualDisplay() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 50; ++i) {
      if (::waitpid(pid_, nullptr, WNOHANG) != 0) return;
      ::usleep(100000);
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  // Empty when no server could be started.
  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

// Ends every process of a Wine prefix: the program, a box nobody answered, the emulator's services.
struct WineSessionEnd {
  std::string server;
  std::string prefix;
  ~WineSessionEnd() {
    RunOptions options;
    options.env = {{"WINEPREFIX", prefix}};
    options.timeout = seconds(15);
    (void)run_process({server, "-k"}, "/", options);
  }
};

RunResult xdotool(const std::string& display, std::vector<std::string> args) {
  args.insert(args.begin(), "xdotool");
  RunOptions options;
  options.env = {{"DISPLAY", display}};
  options.timeout = seconds(10);
  return run_process(args, "/", options);
}

// The first shown box with the title that is not among `answered`; empty when none comes before
// the deadline or the program has ended.
std::string next_box(const std::string& display, const std::vector<std::string>& answered,
                     Clock::time_point deadline, const std::shared_future<RunResult>& program) {
  while (Clock::now() < deadline &&
         program.wait_for(milliseconds(200)) != std::future_status::ready) {
    // The search sees only WM_NAME, where the emulator turns Cyrillic into "?"; the name read
    // back is the UTF-8 one.
    std::istringstream ids(xdotool(display, {"search", "--onlyvisible", "--name", "^Verolt "}).out);
    for (std::string id; ids >> id;) {
      if (std::find(answered.begin(), answered.end(), id) == answered.end() &&
          xdotool(display, {"getwindowname", id}).out == std::string(kCheckTitle) + "\n") {
        return id;
      }
    }
  }
  return {};
}

// What the screen and the program show, for a failure message.
std::string state(const std::string& display, const std::shared_future<RunResult>& program) {
  std::ostringstream text;
  text << "windows shown: "
       << xdotool(display, {"search", "--onlyvisible", "--name", ".", "getwindowname", "%@"}).out;
  if (program.wait_for(seconds(0)) == std::future_status::ready) {
    text << "the program ended: " << program.get();
  }
  return text.str();
}

class MessageBoxes : public E2ETest {};

TEST_F(MessageBoxes, YesGoesOnAndNoEndsAVerification) {
  if (!target().windows) GTEST_SKIP() << "message boxes of the Windows build under Wine";
  const VirtualDisplay display(path("xvfb.log"));
  if (display.name().empty()) {
    GTEST_SKIP() << "no X server could be started (Xvfb): boxes not tested";
  }
  if (xdotool(display.name(), {"version"}).exitCode != 0) {
    GTEST_SKIP() << "no xdotool: boxes not tested";
  }

  write("a.txt", "a");
  write("b.txt", "b");
  write("c.txt", "c");
  write("wrong.lst", list_line("a.txt", kEmptySet2) + list_line("b.txt", kEmptySet2) +
                         list_line("c.txt", kEmptySet2));
  // A prefix of its own: one whose emulator started without a display shows no box at all, and
  // the suites beside this one must not meet this display.
  const std::string prefix =
      (std::filesystem::path(dir()).parent_path() / "wineprefix-boxes").string();
  std::vector<std::string> command = program_command();
  command.erase(
      std::remove_if(command.begin(), command.end(),
                     [](const std::string& word) { return word.rfind("WINEPREFIX=", 0) == 0; }),
      command.end());
  const std::filesystem::path loader(command.size() > 1 ? command[command.size() - 2] : "");
  std::string server = (loader.parent_path() / "wineserver").string();
  if (::access(server.c_str(), X_OK) != 0) server = "wineserver";
  command.insert(command.end(), {"/t:wrong.lst", "rep.txt"});
  RunOptions options;
  options.env = {
      {"VEROLT_BOXES", std::nullopt},
      {"DISPLAY", display.name()},
      {"WINEPREFIX", prefix},
      // A new prefix would otherwise offer to install the emulator's .NET and HTML engines.
      {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
  options.stdinMode = StdinMode::DevNull;
  options.timeout = seconds(150);

  const std::shared_future<RunResult> program =
      std::async(std::launch::async, [&] { return run_process(command, dir(), options); }).share();
  // Declared after the program: whatever fails below, its boxes go before the wait for its end.
  const WineSessionEnd end{server, prefix};

  // The first run creates the prefix.
  const std::string first = next_box(display.name(), {}, Clock::now() + seconds(90), program);
  ASSERT_FALSE(first.empty()) << "no first box; " << state(display.name(), program);
  xdotool(display.name(), {"key", "--window", first, "Return"});  // Yes, the default button
  const std::string second = next_box(display.name(), {first}, Clock::now() + seconds(20), program);
  ASSERT_FALSE(second.empty()) << "no second box; " << state(display.name(), program);
  xdotool(display.name(), {"key", "--window", second, "Tab", "Return"});  // No
  const std::string third =
      next_box(display.name(), {first, second}, Clock::now() + seconds(20), program);
  EXPECT_EQ(third, "") << "a box after No";
  ASSERT_TRUE(program.wait_for(seconds(0)) == std::future_status::ready)
      << "the run did not end after No";

  const RunResult& r = program.get();
  EXPECT_EQ(r.exitCode, 1) << r;
  EXPECT_EQ(r.out, con(kListSummary) + nl() + created("rep.txt"));
  // c.txt, after the No, is not checked.
  EXPECT_EQ(read("rep.txt"),
            wrong_hash_line("a.txt") + wrong_hash_line("b.txt") + ansi_line(kListSummary));
}

}  // namespace
}  // namespace verolt::e2e
