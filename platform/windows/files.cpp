// Files on Windows: only disk files open as data, told apart from devices and pipes by their
// type; identity from the volume and the file index.
#include "platform/files.h"

#include <io.h>

#include "platform/common.h"
#include "platform/console.h"
#include "platform/windows/trusted_path.h"
#include "platform/windows/win32.h"

namespace verolt::platform {

namespace {

HANDLE open_for_reading(const std::string& name) {
  if (holds_nul(name)) return INVALID_HANDLE_VALUE;
  return CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

}  // namespace

FileId id_of(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return FileId{};
  return FileId{info.dwVolumeSerialNumber, size_of(info.nFileIndexHigh, info.nFileIndexLow)};
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
  if (holds_nul(name)) return false;
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

bool InputFile::open_trusted(const std::string& name) {
  close();
  return links_trusted(name) && open(name);
}

bool InputFile::open_list(const std::string& name, bool& once) {
  close();
  once = false;
  // A link or junction on the way that another user laid is no list of ours.
  if (!links_trusted(name)) return false;
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

// The cache manager reads ahead of sequential reads by itself; there is no hint for a file
// that is not being read yet.
void InputFile::read_ahead(std::uint64_t /*bytes*/) {}

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

std::optional<std::uint64_t> listed_file_size(const std::string& name) {
  if (holds_nul(name)) return std::nullopt;
  WIN32_FIND_DATAA data{};
  const HANDLE handle = FindFirstFileA(name.c_str(), &data);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(handle);
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  return size_of(data.nFileSizeHigh, data.nFileSizeLow);
}

}  // namespace verolt::platform
