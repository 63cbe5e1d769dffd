#include "runner.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/personality.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace verolt::e2e {

namespace fs = std::filesystem;

namespace {

bool ends_with_exe(std::string_view name) {
  if (name.size() < 4) return false;
  std::string tail(name.substr(name.size() - 4));
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == ".exe";
}

std::vector<std::string> split_words(std::string_view text, char separator) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    const bool isSeparator =
        separator == ' ' ? (c == ' ' || c == '\t' || c == '\n') : c == separator;
    if (isSeparator) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

std::string program_path() {
  if (const char* fromEnv = std::getenv("VEROLT_PROGRAM"); fromEnv != nullptr && *fromEnv != 0) {
    return fromEnv;
  }
  return VEROLT_E2E_PROGRAM;
}

std::vector<std::string> emulator_words() {
  if (const char* fromEnv = std::getenv("VEROLT_EMULATOR"); fromEnv != nullptr) {
    return split_words(fromEnv, ' ');
  }
  return split_words(VEROLT_E2E_EMULATOR, ' ');
}

// One Unicode code point decoded from UTF-8; the input must be well formed.
std::uint32_t next_code_point(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 1;
  std::uint32_t cp = lead;
  if (lead >= 0xF0) {
    length = 4;
    cp = lead & 0x07u;
  } else if (lead >= 0xE0) {
    length = 3;
    cp = lead & 0x0Fu;
  } else if (lead >= 0xC0) {
    length = 2;
    cp = lead & 0x1Fu;
  }
  if (i + length > text.size()) throw std::invalid_argument("cut UTF-8 in a test text");
  for (std::size_t k = 1; k < length; ++k) {
    cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
  }
  i += length;
  return cp;
}

char cp1251_of(std::uint32_t cp) {
  if (cp < 0x80) return static_cast<char>(cp);
  if (cp >= 0x410 && cp <= 0x44F) return static_cast<char>(0xC0 + (cp - 0x410));
  if (cp == 0x401) return static_cast<char>(0xA8);
  if (cp == 0x451) return static_cast<char>(0xB8);
  throw std::invalid_argument("character without a Windows-1251 byte in a test text");
}

std::uint32_t code_point_of_cp1251(unsigned char byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return 0x410 + (byte - 0xC0u);
  if (byte == 0xA8) return 0x401;
  if (byte == 0xB8) return 0x451;
  throw std::invalid_argument("Windows-1251 byte without a letter in a test text");
}

char cp866_of(std::uint32_t cp) {
  if (cp < 0x80) return static_cast<char>(cp);
  if (cp >= 0x410 && cp <= 0x43F) return static_cast<char>(0x80 + (cp - 0x410));
  if (cp >= 0x440 && cp <= 0x44F) return static_cast<char>(0xE0 + (cp - 0x440));
  if (cp == 0x401) return static_cast<char>(0xF0);
  if (cp == 0x451) return static_cast<char>(0xF1);
  throw std::invalid_argument("character without a code page 866 byte in a test text");
}

template <typename Convert>
std::string convert(std::string_view utf8, Convert byteOf) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) out.push_back(byteOf(next_code_point(utf8, i)));
  return out;
}

std::string with_console_line_ends(std::string text) {
  if (nl() == "\n") return text;
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += nl();
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// The environment every run starts from: the runner's own, with the locale fixed.
std::vector<std::pair<std::string, std::optional<std::string>>> base_environment_changes() {
  std::vector<std::pair<std::string, std::optional<std::string>>> changes;
  if (target().windows) {
    // ANSI code page 1251 and OEM code page 866 in the emulator.
    changes.emplace_back("LANG", "ru_RU.UTF-8");
    changes.emplace_back("WINEDEBUG", "-all");
  } else {
    changes.emplace_back("LANG", "C.UTF-8");
  }
  // Boxes on standard error with answers from standard input, on both builds.
  changes.emplace_back("VEROLT_BOXES", "console");
  return changes;
}

bool is_locale_variable(std::string_view name) {
  return name.rfind("LC_", 0) == 0 || name == "LANGUAGE";
}

std::vector<std::string> make_environment(const RunOptions& options) {
  std::vector<std::pair<std::string, std::string>> vars;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string_view text(*entry);
    const auto eq = text.find('=');
    if (eq == std::string_view::npos) continue;
    std::string name(text.substr(0, eq));
    if (is_locale_variable(name)) continue;
    vars.emplace_back(name, std::string(text.substr(eq + 1)));
  }
  auto apply = [&vars](const std::string& name, const std::optional<std::string>& value) {
    vars.erase(std::remove_if(vars.begin(), vars.end(),
                              [&name](const auto& var) { return var.first == name; }),
               vars.end());
    if (value) vars.emplace_back(name, *value);
  };
  for (const auto& [name, value] : base_environment_changes()) apply(name, value);
  for (const auto& [name, value] : options.env) apply(name, value);
  std::vector<std::string> result;
  result.reserve(vars.size());
  for (const auto& [name, value] : vars) {
    std::string var = name;
    var += '=';
    var += value;
    result.push_back(std::move(var));
  }
  return result;
}

std::string resolve_executable(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  for (const auto& dirName : split_words(path != nullptr ? path : "/usr/bin:/bin", ':')) {
    std::string candidate = dirName;
    candidate += '/';
    candidate += name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return name;
}

struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }
  void reset() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

void make_pipe(Fd& readEnd, Fd& writeEnd) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
  readEnd.fd = fds[0];
  writeEnd.fd = fds[1];
}

void set_nonblocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

// Reads what is there; false once the descriptor has reached its end (EIO on a terminal master
// whose other side is closed counts as the end).
bool drain(int fd, std::string& sink) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      sink.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
    return false;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------

const Target& target() {
  static const Target value = [] {
    Target t;
    const char* forced = std::getenv("VEROLT_TARGET");
    if (forced != nullptr && *forced != 0) {
      t.windows = std::string_view(forced) == "windows";
    } else {
      t.windows = ends_with_exe(program_path());
    }
    return t;
  }();
  return value;
}

std::string sep() { return target().windows ? "\\" : "/"; }

std::string p(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (auto part : parts) {
    if (!out.empty()) out += sep();
    out += part;
  }
  return out;
}

std::string nl() { return target().windows ? "\r\n" : "\n"; }

std::string con(std::string_view utf8) {
  if (target().windows) return with_console_line_ends(convert(utf8, cp866_of));
  (void)convert(utf8, cp1251_of);  // a test text must be one the program can hold
  return with_console_line_ends(std::string(utf8));
}

std::string ansi(std::string_view utf8) { return convert(utf8, cp1251_of); }

std::string con_name(std::string_view utf8) {
  return target().windows ? convert(utf8, cp866_of) : std::string(utf8);
}

std::string con_raw_name(std::string_view bytes) {
  if (!target().windows) return std::string(bytes);
  std::string out(bytes);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return cp866_of(code_point_of_cp1251(c)); });
  return out;
}

std::string con_arg(std::string_view utf8) {
  return target().windows ? convert(utf8, cp1251_of) : std::string(utf8);
}

std::string list_name(std::string_view utf8) {
  return target().windows ? convert(utf8, cp1251_of) : std::string(utf8);
}

bool console_text_well_formed(std::string_view bytes) {
  if (target().windows) return true;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    if (lead < 0x80) {
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
    } else {
      return false;
    }
    if (i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------

std::string escape(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          constexpr std::string_view kDigits = "0123456789ABCDEF";
          out += "\\x";
          out.push_back(kDigits[c >> 4]);
          out.push_back(kDigits[c & 0xF]);
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  return out;
}

std::ostream& operator<<(std::ostream& os, const RunResult& result) {
  os << "exit " << result.exitCode;
  if (result.signal != 0) os << ", signal " << result.signal;
  if (result.timedOut) os << ", TIMED OUT";
  os << "\n--- stdout (" << result.out.size() << " bytes)\n" << escape(result.out.substr(0, 4000));
  os << "\n--- stderr (" << result.err.size() << " bytes)\n" << escape(result.err.substr(0, 4000));
  return os << "\n";
}

RunResult run_process(const std::vector<std::string>& argv, const std::string& cwd,
                      const RunOptions& options) {
  if (argv.empty()) throw std::invalid_argument("no program to run");
  // The child may leave before reading its input.
  (void)::signal(SIGPIPE, SIG_IGN);

  // Everything the child needs is prepared before fork: after it only system calls follow.
  const std::string executable = resolve_executable(argv[0]);
  std::vector<char*> childArgv;
  childArgv.reserve(argv.size() + 1);
  std::transform(argv.begin(), argv.end(), std::back_inserter(childArgv),
                 [](const std::string& arg) { return const_cast<char*>(arg.c_str()); });
  childArgv.push_back(nullptr);
  const std::vector<std::string> environment = make_environment(options);
  std::vector<char*> childEnv;
  childEnv.reserve(environment.size() + 1);
  std::transform(environment.begin(), environment.end(), std::back_inserter(childEnv),
                 [](const std::string& var) { return const_cast<char*>(var.c_str()); });
  childEnv.push_back(nullptr);

  Fd outRead, outWrite, errRead, errWrite, inRead, inWrite, devNull, master, slave;
  make_pipe(outRead, outWrite);
  if (options.stderrTerminal) {
    struct winsize size {};
    size.ws_row = 24;
    size.ws_col = 80;
    if (::openpty(&master.fd, &slave.fd, nullptr, nullptr, &size) != 0) {
      throw std::runtime_error("openpty failed");
    }
    ::fcntl(master.fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave.fd, F_SETFD, FD_CLOEXEC);
    struct termios raw {};
    ::tcgetattr(slave.fd, &raw);
    ::cfmakeraw(&raw);  // bytes pass as written: no "\n" to "\r\n", no echo
    ::tcsetattr(slave.fd, TCSANOW, &raw);
  } else {
    make_pipe(errRead, errWrite);
  }
  if (options.stdinMode == StdinMode::Bytes) {
    make_pipe(inRead, inWrite);
  } else if (options.stdinMode == StdinMode::DevNull) {
    devNull.fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  }

  // The emulator maps its shared user data at a fixed address, which a randomised layout now and
  // then occupies: it then ends with code 1 before the program starts.
  const bool fixedLayout = target().windows;
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (options.stderrTerminal) {
      ::setsid();
      ::ioctl(slave.fd, TIOCSCTTY, 0);
      ::dup2(slave.fd, 2);
      ::dup2(options.stderrOnStdout ? slave.fd : outWrite.fd, 1);
    } else {
      ::setpgid(0, 0);
      ::dup2(outWrite.fd, 1);
      ::dup2(options.stderrOnStdout ? outWrite.fd : errWrite.fd, 2);
    }
    if (!options.stdoutFile.empty()) {
      const int file = ::open(options.stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      if (file < 0 || ::dup2(file, 1) < 0) ::_exit(125);
      ::close(file);
    }
    switch (options.stdinMode) {
      case StdinMode::Bytes:
        ::dup2(inRead.fd, 0);
        break;
      case StdinMode::DevNull:
        ::dup2(devNull.fd, 0);
        break;
      case StdinMode::Closed:
        ::close(0);
        break;
    }
    if (::chdir(cwd.c_str()) != 0) ::_exit(126);
    // As a shell starts it: the runner's own indifference to closed pipes is not the program's.
    (void)::signal(SIGPIPE, SIG_DFL);
    if (fixedLayout) (void)::personality(ADDR_NO_RANDOMIZE);
    ::execve(executable.c_str(), childArgv.data(), childEnv.data());
    ::_exit(127);
  }
  // The parent keeps only its own ends, so that the ends report end of file once the child is
  // gone.
  outWrite.reset();
  errWrite.reset();
  inRead.reset();
  slave.reset();
  devNull.reset();

  RunResult result;
  // With both streams on one terminal its master carries them; the unused pipe ends at once.
  const bool sharedTerminal = options.stderrTerminal && options.stderrOnStdout;
  const int outFd = sharedTerminal ? master.fd : outRead.fd;
  const int errFd = sharedTerminal ? outRead.fd : options.stderrTerminal ? master.fd : errRead.fd;
  set_nonblocking(outFd);
  set_nonblocking(errFd);
  if (inWrite.fd >= 0) set_nonblocking(inWrite.fd);
  std::size_t inputSent = 0;
  if (inWrite.fd >= 0 && options.input.empty()) inWrite.reset();
  bool outOpen = true;
  bool errOpen = true;
  bool exited = false;
  bool stopped = false;
  int status = 0;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + options.timeout;
  std::optional<Clock::time_point> exitedAt;

  while (true) {
    if (!exited) {
      const pid_t waited = ::waitpid(pid, &status, WNOHANG);
      if (waited == pid) {
        exited = true;
        exitedAt = Clock::now();
        // Nobody reads the input any more.
        inWrite.reset();
      }
    }
    if (exited && !outOpen && !errOpen) break;
    if (!exited && !stopped && options.stopSignal != 0 && options.stopWhen && options.stopWhen()) {
      ::kill(pid, options.stopSignal);
      stopped = true;
    }
    const auto now = Clock::now();
    // Descendants that keep the output open after the child left do not hold the test: what the
    // child wrote is in the pipes once it has gone. (The emulator's first run of a session leaves
    // its services holding them for seconds.)
    if (exited && now - *exitedAt > std::chrono::milliseconds(200)) break;
    if (now >= deadline) {
      result.timedOut = true;
      ::kill(-pid, SIGKILL);
      ::kill(pid, SIGKILL);
      if (!exited) ::waitpid(pid, &status, 0);
      break;
    }

    pollfd fds[3];
    nfds_t count = 0;
    if (outOpen) fds[count++] = {outFd, POLLIN, 0};
    if (errOpen) fds[count++] = {errFd, POLLIN, 0};
    if (inWrite.fd >= 0) fds[count++] = {inWrite.fd, POLLOUT, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    const int wait = static_cast<int>(std::clamp<long long>(left, 1, 20));
    ::poll(fds, count, wait);

    if (outOpen) outOpen = drain(outFd, result.out);
    if (errOpen) errOpen = drain(errFd, result.err);
    if (inWrite.fd >= 0) {
      const ssize_t n =
          ::write(inWrite.fd, options.input.data() + inputSent, options.input.size() - inputSent);
      if (n > 0) inputSent += static_cast<std::size_t>(n);
      if ((n < 0 && errno != EAGAIN && errno != EINTR) || inputSent == options.input.size()) {
        inWrite.reset();
      }
    }
  }
  if (outOpen) drain(outFd, result.out);
  if (errOpen) drain(errFd, result.err);

  if (!result.timedOut) {
    if (WIFEXITED(status)) {
      result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
      result.signal = WTERMSIG(status);
    }
  }
  if (result.timedOut && options.timeoutFails) {
    ADD_FAILURE() << "the program did not end within " << options.timeout.count()
                  << " ms and was killed\n"
                  << result;
  }
  return result;
}

std::vector<std::string> program_command() {
  std::vector<std::string> command = emulator_words();
  command.push_back(program_path());
  return command;
}

std::vector<std::string> peer_command() {
  const char* fromEnv = std::getenv("VEROLT_PEER_PROGRAM");
  const std::string peer = fromEnv != nullptr && *fromEnv != 0 ? fromEnv : VEROLT_E2E_PEER;
  if (peer.empty() || ::access(peer.c_str(), R_OK) != 0) return {};
  std::vector<std::string> command;
  if (!target().windows) {
    const char* emulator = std::getenv("VEROLT_PEER_EMULATOR");
    command = split_words(emulator != nullptr ? emulator : "", ' ');
  }
  command.push_back(peer);
  return command;
}

// ---------------------------------------------------------------------------------------------

namespace {

std::string scratch_root() {
  if (const char* fromEnv = std::getenv("VEROLT_E2E_SCRATCH"); fromEnv != nullptr && *fromEnv) {
    return fromEnv;
  }
  return VEROLT_E2E_SCRATCH;
}

std::string current_test_dir_name() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name()
                                     : std::string("unnamed");
  std::replace(name.begin(), name.end(), '/', '_');
  return name;
}

}  // namespace

E2ETest::E2ETest() {
  const fs::path scratch = fs::path(scratch_root()) / current_test_dir_name();
  fs::remove_all(scratch);
  fs::create_directories(scratch);
  dir_ = fs::absolute(scratch).lexically_normal().string();
}

std::string E2ETest::path(std::string_view rel) const {
  std::string host(rel);
  if (target().windows) std::replace(host.begin(), host.end(), '\\', '/');
  return dir_ + "/" + host;
}

void E2ETest::write(std::string_view rel, std::string_view bytes) const {
  const fs::path file(path(rel));
  if (file.has_parent_path()) fs::create_directories(file.parent_path());
  std::ofstream stream(file, std::ios::binary | std::ios::trunc);
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!stream) throw std::runtime_error("cannot write " + file.string());
}

std::string E2ETest::read(std::string_view rel) const {
  std::ifstream stream(path(rel), std::ios::binary);
  if (!stream) {
    ADD_FAILURE() << "cannot read " << rel;
    return {};
  }
  return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

bool E2ETest::exists(std::string_view rel) const {
  std::error_code error;
  return fs::exists(fs::symlink_status(path(rel), error));
}

void E2ETest::make_dir(std::string_view rel) const { fs::create_directories(path(rel)); }

void E2ETest::make_fifo(std::string_view rel) const {
  if (::mkfifo(path(rel).c_str(), 0644) != 0) {
    throw std::runtime_error("mkfifo failed for " + std::string(rel));
  }
}

void E2ETest::make_symlink(std::string_view targetPath, std::string_view rel) const {
  fs::create_symlink(fs::path(std::string(targetPath)), path(rel));
}

RunResult E2ETest::run(const std::vector<std::string>& args, const RunOptions& options) const {
  std::vector<std::string> argv = program_command();
  argv.insert(argv.end(), args.begin(), args.end());
  return run_process(argv, dir_, options);
}

RunResult E2ETest::run_input(const std::vector<std::string>& args, std::string input) const {
  RunOptions options;
  options.input = std::move(input);
  return run(args, options);
}

RunResult E2ETest::run_peer(const std::vector<std::string>& args) const {
  std::vector<std::string> argv = peer_command();
  if (argv.empty()) throw std::logic_error("no program of the other platform");
  argv.insert(argv.end(), args.begin(), args.end());
  return run_process(argv, dir_, {});
}

RunResult E2ETest::run_terminal(const std::vector<std::string>& args) const {
  RunOptions options;
  options.stderrTerminal = true;
  return run(args, options);
}

}  // namespace verolt::e2e
