#include "support/quorlin_cmd.h"

#include "support/console.h"
#include "support/process.h"

TestConsole* g_testConsole = nullptr;

namespace {

std::wstring UniqueTempPath(const wchar_t* stream) {
  static int counter = 0;
  return TempPath(L"cmd" + std::to_wstring(++counter) + L"-" + stream + L".txt");
}

// A pipe whose write end the child inherits; the read end is read into
// `text` on a thread until the last writer has gone.
bool StartPipe(HANDLE* write, std::string* text, std::unique_ptr<std::thread>* reader) {
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  HANDLE read = nullptr;
  if (!::CreatePipe(&read, write, &sa, 0)) return false;
  ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  *reader = std::make_unique<std::thread>([read, text] {
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0)
      text->append(buffer, got);
    ::CloseHandle(read);
  });
  return true;
}

}  // namespace

std::wstring QuorlinCmdExePath() { return BesideTestProgram(L"QuorlinCmd.exe"); }

QuorlinCmdProcess::~QuorlinCmdProcess() {
  if (Handle()) Finish(0);
  if (!m_outPath.empty()) ::DeleteFileW(m_outPath.c_str());
  if (!m_errPath.empty()) ::DeleteFileW(m_errPath.c_str());
}

bool QuorlinCmdProcess::Start(const std::wstring& arguments, CmdOutput output, bool suspended) {
  m_output = output;
  HANDLE out = INVALID_HANDLE_VALUE, err = INVALID_HANDLE_VALUE;
  switch (output) {
    case CmdOutput::kFiles:
      m_outPath = UniqueTempPath(L"out");
      m_errPath = UniqueTempPath(L"err");
      out = InheritableFile(m_outPath);
      err = InheritableFile(m_errPath);
      break;
    case CmdOutput::kPipes:
      if (!StartPipe(&out, &m_pipeOut, &m_outReader) || !StartPipe(&err, &m_pipeErr, &m_errReader))
        return false;
      break;
    case CmdOutput::kConsole:
      if (!g_testConsole || !g_testConsole->ok()) return false;
      out = err = g_testConsole->Output();
      break;
    case CmdOutput::kClosedPipe: {
      SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
      HANDLE read = nullptr;
      if (!::CreatePipe(&read, &out, &sa, 0)) return false;
      ::CloseHandle(read);
      m_errPath = UniqueTempPath(L"err");
      err = InheritableFile(m_errPath);
      break;
    }
  }
  if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) return false;
  const bool ok =
      m_process.Start(QuorlinCmdExePath(), arguments,
                      {.flags = suspended ? CREATE_SUSPENDED : 0u, .out = out, .err = err});
  // The child has its own copies; the pipes end when its last one closes.
  if (output != CmdOutput::kConsole) {
    ::CloseHandle(out);
    ::CloseHandle(err);
  }
  return ok;
}

CmdResult QuorlinCmdProcess::Finish(DWORD timeoutMs) {
  CmdResult result;
  if (!Handle()) return result;
  if (::WaitForSingleObject(Handle(), Scaled(timeoutMs)) != WAIT_OBJECT_0)
    m_process.Kill(STILL_ACTIVE, Scaled(5000));
  else
    ::GetExitCodeProcess(Handle(), &result.exitCode);
  m_process.Close();
  if (m_outReader) m_outReader->join();
  if (m_errReader) m_errReader->join();
  m_outReader.reset();
  m_errReader.reset();
  if (m_output == CmdOutput::kFiles || m_output == CmdOutput::kClosedPipe) {
    result.out = OutSoFar();
    result.err = ErrSoFar();
  } else {
    result.out = m_pipeOut;
    result.err = m_pipeErr;
  }
  return result;
}

std::string QuorlinCmdProcess::OutSoFar() const { return ReadWholeFile(m_outPath); }
std::string QuorlinCmdProcess::ErrSoFar() const { return ReadWholeFile(m_errPath); }

CmdResult RunQuorlinCmd(const std::wstring& arguments, CmdOutput output) {
  QuorlinCmdProcess cmd;
  if (!cmd.Start(arguments, output)) return {};
  return cmd.Finish();
}

TestConsole::TestConsole()
    : m_savedOut(::GetStdHandle(STD_OUTPUT_HANDLE)),
      m_savedErr(::GetStdHandle(STD_ERROR_HANDLE)),
      m_savedIn(::GetStdHandle(STD_INPUT_HANDLE)) {
  ::FreeConsole();
  if (!::AllocConsole()) return;
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  m_output = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
  if (m_output != INVALID_HANDLE_VALUE) ::SetConsoleScreenBufferSize(m_output, COORD{400, 300});
  g_testConsole = this;
}

TestConsole::~TestConsole() {
  g_testConsole = nullptr;
  if (m_output != INVALID_HANDLE_VALUE) ::CloseHandle(m_output);
  ::FreeConsole();
  ::SetStdHandle(STD_OUTPUT_HANDLE, m_savedOut);
  ::SetStdHandle(STD_ERROR_HANDLE, m_savedErr);
  ::SetStdHandle(STD_INPUT_HANDLE, m_savedIn);
}

std::vector<std::wstring> TestConsole::Rows() const { return ScreenRows(m_output); }
