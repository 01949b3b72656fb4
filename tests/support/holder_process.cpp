#include "support/holder_process.h"

#include "support/process.h"

bool HolderProcess::Start(const std::wstring& arguments, const std::wstring& folder) {
  const std::wstring exe = BesideTestProgram(L"quorlin_test_holder.exe");
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        DETACHED_PROCESS, nullptr, folder.empty() ? nullptr : folder.c_str(),
                        &startup, &m_info))
    return false;
  const std::wstring name = L"Local\\QuorlinTestHolder-" + std::to_wstring(m_info.dwProcessId);
  return WaitUntil([&] {
    HANDLE ready = ::OpenEventW(SYNCHRONIZE, FALSE, name.c_str());
    if (ready) ::CloseHandle(ready);
    return ready != nullptr || ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_OBJECT_0;
  }) && ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

void HolderProcess::End() {
  if (!m_info.hProcess) return;
  ::TerminateProcess(m_info.hProcess, 0);
  ::WaitForSingleObject(m_info.hProcess, Scaled(10000));
  ::CloseHandle(m_info.hProcess);
  ::CloseHandle(m_info.hThread);
  m_info = {};
}
