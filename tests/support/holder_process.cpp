#include "support/holder_process.h"

#include "support/process.h"

bool HolderProcess::Start(const std::wstring& arguments, const std::wstring& folder) {
  const wchar_t* current = folder.empty() ? nullptr : folder.c_str();
  if (!m_process.Start(BesideTestProgram(L"quorlin_test_holder.exe"), arguments,
                       {.flags = DETACHED_PROCESS, .folder = current}))
    return false;
  const std::wstring name = L"Local\\QuorlinTestHolder-" + std::to_wstring(Id());
  return WaitUntil([&] {
    HANDLE ready = ::OpenEventW(SYNCHRONIZE, FALSE, name.c_str());
    if (ready) ::CloseHandle(ready);
    return ready != nullptr || ::WaitForSingleObject(m_process.Process(), 0) == WAIT_OBJECT_0;
  }) && ::WaitForSingleObject(m_process.Process(), 0) == WAIT_TIMEOUT;
}
