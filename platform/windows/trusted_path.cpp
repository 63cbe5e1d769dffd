#include "platform/windows/trusted_path.h"

#include <vector>

#include "platform/windows/win32.h"
// After windows.h, which it needs.
#include <aclapi.h>

namespace verolt::platform {

namespace {

// The SID of the user this process runs as.
std::vector<unsigned char> user_sid() {
  HANDLE token = nullptr;
  std::vector<unsigned char> sid;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return sid;
  DWORD size = 0;
  (void)GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> info(size);
  if (size != 0 && GetTokenInformation(token, TokenUser, info.data(), size, &size)) {
    const auto* user = reinterpret_cast<const TOKEN_USER*>(info.data());
    sid.resize(GetLengthSid(user->User.Sid));
    CopySid(static_cast<DWORD>(sid.size()), sid.data(), user->User.Sid);
  }
  CloseHandle(token);
  return sid;
}

bool owner_trusted(const std::string& path) {
  const HANDLE handle = CreateFileA(
      path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD got = GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                    nullptr, nullptr, nullptr, &descriptor);
  CloseHandle(handle);
  if (got != ERROR_SUCCESS || owner == nullptr) {
    if (descriptor != nullptr) LocalFree(descriptor);
    return false;
  }
  static const std::vector<unsigned char> self = user_sid();
  const bool trusted =
      (!self.empty() && EqualSid(owner, const_cast<unsigned char*>(self.data()))) ||
      IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
      IsWellKnownSid(owner, WinLocalSystemSid);
  LocalFree(descriptor);
  return trusted;
}

}  // namespace

bool links_trusted(const std::string& name) {
  // Each directory on the way, then the name itself; "C:\" and "\\server\share\" are no links.
  for (std::size_t end = 0; end <= name.size(); ++end) {
    if (end < name.size() && name[end] != '\\' && name[end] != '/') continue;
    const std::string part = name.substr(0, end);
    if (part.empty() || part.back() == ':' || part.back() == '\\' || part.back() == '/') continue;
    const DWORD attributes = GetFileAttributesA(part.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && !owner_trusted(part)) return false;
  }
  return true;
}

}  // namespace verolt::platform
