// Windows implementation of the platform layer: the Win32 calls the program was designed around.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <io.h>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/command_line.h"
#include "platform/console.h"
#include "platform/directory_search.h"
#include "platform/file_names.h"
#include "platform/files.h"
#include "text/cp1251.h"

namespace verolt::platform {

bool is_separator(char c) { return c == '\\' || c == '/'; }

namespace {

std::uint64_t size_of(const WIN32_FIND_DATAA& data) {
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

void fill(const WIN32_FIND_DATAA& data, FoundEntry& entry) {
  entry.name = data.cFileName;
  const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // A junction or directory symlink is a reparse point: the walk does not follow it.
  const bool reparse = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  entry.isDirectory = directory && !reparse;
  entry.isLinkedDirectory = directory && reparse;
  entry.size = directory ? 0 : size_of(data);
}

}  // namespace

// ---- directory search ----

struct DirectorySearch::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
};

DirectorySearch::DirectorySearch(bool /*sizes*/) : state_(new State) {}

DirectorySearch::~DirectorySearch() {
  if (state_->handle != INVALID_HANDLE_VALUE) FindClose(state_->handle);
  delete state_;
}

bool DirectorySearch::find_first(const std::string& directory, const std::string& mask,
                                 FoundEntry& entry) {
  if (state_->handle != INVALID_HANDLE_VALUE) FindClose(state_->handle);
  WIN32_FIND_DATAA data{};
  const std::string pattern = directory + mask;
  state_->handle = FindFirstFileA(pattern.c_str(), &data);
  if (state_->handle == INVALID_HANDLE_VALUE) return false;
  fill(data, entry);
  return true;
}

bool DirectorySearch::find_next(FoundEntry& entry) {
  if (state_->handle == INVALID_HANDLE_VALUE) return false;
  WIN32_FIND_DATAA data{};
  if (!FindNextFileA(state_->handle, &data)) return false;
  fill(data, entry);
  return true;
}

std::optional<std::uint64_t> listed_file_size(const std::string& name) {
  if (name.find('\0') != std::string::npos) return std::nullopt;
  WIN32_FIND_DATAA data{};
  const HANDLE handle = FindFirstFileA(name.c_str(), &data);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(handle);
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  return size_of(data);
}

// ---- data files ----

namespace {

HANDLE open_for_reading(const std::string& name) {
  // The system would stop at a NUL inside the name and open another file.
  if (name.find('\0') != std::string::npos) return INVALID_HANDLE_VALUE;
  return CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

FileId id_of(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return FileId{};
  return FileId{info.dwVolumeSerialNumber,
                (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

}  // namespace

std::FILE* create_for_writing(const std::string& name) {
  if (name.find('\0') != std::string::npos) return nullptr;
  return std::fopen(name.c_str(), "wb");
}

std::optional<FileId> file_id(std::FILE* file) {
  if (file == nullptr) return std::nullopt;
  const intptr_t os = _get_osfhandle(_fileno(file));
  if (os == -1) return std::nullopt;
  const FileId id = id_of(reinterpret_cast<HANDLE>(os));
  if (id == FileId{}) return std::nullopt;
  return id;
}

std::optional<FileId> standard_stream_id(bool errorStream) {
  const HANDLE handle = GetStdHandle(errorStream ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr ||
      GetFileType(handle) != FILE_TYPE_DISK) {
    return std::nullopt;
  }
  const FileId id = id_of(handle);
  if (id == FileId{}) return std::nullopt;
  return id;
}

bool is_stream_device(const std::string& name) {
  if (name.find('\0') != std::string::npos) return false;
  // No access asked: a device answers without being read, a pipe without taking its data.
  const HANDLE handle = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const DWORD type = GetFileType(handle);
  CloseHandle(handle);
  return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

InputFile::~InputFile() { close(); }

bool InputFile::open(const std::string& name) {
  close();
  const HANDLE handle = open_for_reading(name);
  if (handle == INVALID_HANDLE_VALUE) return false;
  // Only disk files end: a console, a pipe or a device such as CON would wait for ever.
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return false;
  }
  id_ = id_of(handle);
  handle_ = reinterpret_cast<std::intptr_t>(handle);
  return true;
}

bool InputFile::open_list(const std::string& name, bool& once) {
  close();
  once = false;
  const HANDLE handle = open_for_reading(name);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const DWORD type = GetFileType(handle);
  if (type != FILE_TYPE_DISK && type != FILE_TYPE_PIPE && type != FILE_TYPE_CHAR) {
    CloseHandle(handle);
    return false;
  }
  once = type != FILE_TYPE_DISK;
  // The console read as a list leaves nothing for the answers after it.
  if (type == FILE_TYPE_CHAR && GetFileType(GetStdHandle(STD_INPUT_HANDLE)) == FILE_TYPE_CHAR) {
    end_input();
  }
  id_ = id_of(handle);
  handle_ = reinterpret_cast<std::intptr_t>(handle);
  return true;
}

bool list_is_standard_input(const std::string& /*name*/) {
  // A redirected standard input has no name here; the console (CON) as a list is typed in after
  // the question has had its own line.
  return false;
}

std::ptrdiff_t InputFile::read(unsigned char* buffer, std::size_t size) {
  if (handle_ == -1) return -1;
  const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
  DWORD got = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, want, &got, nullptr)) return -1;
  return static_cast<std::ptrdiff_t>(got);
}

void InputFile::close() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
}

bool opens_for_reading(const std::string& name) {
  const HANDLE handle = open_for_reading(name);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

// ---- console ----

void initialise_console() {}

std::string ansi_to_console(std::string_view ansi) {
  // CharToOemA works on zero-terminated text; a NUL inside cannot occur in the texts it gets,
  // but the copy keeps every byte up to the end regardless.
  std::string text(ansi);
  std::size_t start = 0;
  while (start < text.size()) {
    CharToOemA(text.c_str() + start, &text[start]);
    start += std::strlen(text.c_str() + start) + 1;
  }
  return text;
}

std::string name_to_console(std::string_view name) { return ansi_to_console(name); }

std::string name_sort_form(std::string_view name) { return std::string(name); }

std::optional<std::string> other_build_name(std::string_view listed) {
  // Pure ASCII reads the same in both forms.
  bool beyondAscii = false;
  for (const char c : listed) beyondAscii = beyondAscii || static_cast<unsigned char>(c) >= 0x80;
  if (!beyondAscii) return std::nullopt;
  return text::utf8_to_cp1251(listed);
}

namespace {

// The console device itself, so that progress never enters a redirected standard output.
HANDLE console_device() {
  static const HANDLE handle =
      CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  return handle;
}

}  // namespace

bool console_channel_open() { return console_device() != INVALID_HANDLE_VALUE; }

bool output_is_terminal() {
  static const bool console = GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR;
  return console;
}

void console_write(std::string_view text) {
  const HANDLE handle = console_device();
  if (handle == INVALID_HANDLE_VALUE) return;
  // A name printed on the same console shows before its progress; redirected output may wait.
  if (output_is_terminal()) (void)std::fflush(stdout);
  DWORD written = 0;
  WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// ---- answers and boxes ----

bool input_is_terminal() { return _isatty(_fileno(stdin)) != 0; }

bool message_box(const BoxText& text, std::string_view title, BoxButtons buttons, bool errorIcon) {
  // Scheduled tasks have nobody to click a box: VEROLT_BOXES=console asks on the console.
  const char* mode = std::getenv("VEROLT_BOXES");
  if (mode != nullptr && std::strcmp(mode, "console") == 0) {
    return console_message_box(text, title, buttons, errorIcon);
  }
  const std::string body = text.before + text.name + text.after;
  const std::string caption(title);
  UINT style = buttons == BoxButtons::YesNo ? MB_YESNO : MB_OK;
  if (errorIcon) style |= MB_ICONERROR;
  const int answer = MessageBoxA(nullptr, body.c_str(), caption.c_str(), style);
  return buttons == BoxButtons::Ok || answer == IDYES;
}

std::string whole_command_line(int /*argc*/, char** /*argv*/) { return GetCommandLineA(); }

}  // namespace verolt::platform
