#include "support/launcher.h"

bool ChildProcess::Start(const std::wstring& exe, const std::wstring& arguments,
                         const LaunchOptions& options) {
  Close();
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  const bool handles = options.in || options.out || options.err;
  if (handles) startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = options.in;
  startup.hStdOutput = options.out;
  startup.hStdError = options.err;
  return ::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, handles, options.flags,
                          nullptr, options.folder, &startup, &m_info) != FALSE;
}
