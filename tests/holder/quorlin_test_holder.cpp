// A process that holds something open for the tests of "QuorlinCmd who", as
// a user's program would, until the test ends it:
//   quorlin_test_holder open PATH   a file, read shared
//   quorlin_test_holder wait        nothing but its current folder
//   quorlin_test_holder pipe NAME   both ends of a named pipe, with a read
//                                   pending on the synchronous client end
//   quorlin_test_holder many FOLDER COUNT
//                                   COUNT new files FOLDER\<its pid>-0.txt ...,
//                                   deleted when it ends
// Once it holds what it was asked to, it sets the event
// Local\QuorlinTestHolder-<its pid>.
#include <windows.h>

#include <string>

namespace {

DWORD WINAPI ReadForEver(void* pipe) {
  char byte = 0;
  DWORD read = 0;
  ::ReadFile(static_cast<HANDLE>(pipe), &byte, 1, &read, nullptr);
  return 0;
}

bool Hold(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"wait") return true;
  if (argc < 3) return false;
  if (mode == L"open") {
    return ::CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr) != INVALID_HANDLE_VALUE;
  }
  if (mode == L"many" && argc > 3) {
    const int count = _wtoi(argv[3]);
    for (int i = 0; i < count; ++i) {
      const std::wstring path = std::wstring(argv[2]) + L"\\" +
                                std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                std::to_wstring(i) + L".txt";
      if (::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                        CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr) == INVALID_HANDLE_VALUE)
        return false;
    }
    return count > 0;
  }
  if (mode == L"pipe") {
    HANDLE server = ::CreateNamedPipeW(argv[2], PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 512, 512, 0,
                                       nullptr);
    if (server == INVALID_HANDLE_VALUE) return false;
    HANDLE client = ::CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    return client != INVALID_HANDLE_VALUE &&
           ::CreateThread(nullptr, 0, ReadForEver, client, 0, nullptr) != nullptr;
  }
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (!Hold(argc, argv)) return 1;
  const std::wstring name = L"Local\\QuorlinTestHolder-" + std::to_wstring(::GetCurrentProcessId());
  HANDLE ready = ::CreateEventW(nullptr, TRUE, TRUE, name.c_str());
  if (!ready) return 1;
  ::Sleep(INFINITE);
  return 0;
}
