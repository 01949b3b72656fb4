// The About box of the real Quorlin.exe: opened from the main window's system
// menu, its version line and closing, the system commands that keep their
// default meaning, and the two links to the maker's home page.
#include <windows.h>

#include <dbt.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

#include "framework/text_win.h"
#include "res/resource.h"
#include "support/broadcast.h"
#include "support/process.h"
#include "support/remote_window.h"

namespace {

constexpr wchar_t kRecordSwitch[] = L"--record-opened-address";

// This program doubles as the web-address handler that the links start (see
// ScopedUrlHandler): run as `<exe> --record-opened-address <file> <address>`
// it appends the address as one line to the file and ends before any test
// runs, so nothing real is opened.
[[maybe_unused]] const bool kRanAsRecorder = [] {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv || argc < 3 || std::wcscmp(argv[1], kRecordSwitch) != 0) {
    if (argv) ::LocalFree(argv);
    return false;
  }
  std::wstring address;
  for (int i = 3; i < argc; ++i) address += (i > 3 ? L" " : L"") + std::wstring(argv[i]);
  if (FILE* log = ::_wfopen(argv[2], L"ab")) {
    std::string line = WideToCp932(address) + "\n";
    std::fwrite(line.data(), 1, line.size(), log);
    std::fclose(log);
  }
  ::ExitProcess(0);
}();

// Points the open command of the web schemes in this Wine prefix at
// `command` and puts back what was there when it goes. Wine's ShellExecute
// looks under HKEY_CLASSES_ROOT\<scheme>\shell\open\command only; the same
// key under HKCU\Software\Classes is ignored.
class ScopedUrlHandler {
 public:
  explicit ScopedUrlHandler(const std::wstring& command) {
    for (const wchar_t* scheme : {L"http", L"https"}) m_saved.push_back(Install(scheme, command));
  }
  ~ScopedUrlHandler() {
    for (const Saved& saved : m_saved) Restore(saved);
  }
  ScopedUrlHandler(const ScopedUrlHandler&) = delete;
  ScopedUrlHandler& operator=(const ScopedUrlHandler&) = delete;

  bool Installed() const {
    for (const Saved& saved : m_saved)
      if (!saved.installed) return false;
    return true;
  }

 private:
  struct Saved {
    std::wstring commandKey;
    std::wstring createdRoot;  // the outermost key this object created, if any
    bool installed = false;
    bool hadValue = false;
    DWORD type = REG_SZ;
    std::vector<BYTE> value;
  };

  static Saved Install(const std::wstring& scheme, const std::wstring& command) {
    Saved saved;
    std::wstring path = scheme;
    for (const wchar_t* part : {L"", L"\\shell", L"\\open", L"\\command"}) {
      path += part;
      HKEY key = nullptr;
      if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        ::RegCloseKey(key);
      } else if (saved.createdRoot.empty()) {
        saved.createdRoot = path;
      }
    }
    saved.commandKey = path;

    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_SET_VALUE,
                          nullptr, &key, nullptr) != ERROR_SUCCESS)
      return saved;
    DWORD size = 0;
    if (::RegQueryValueExW(key, nullptr, nullptr, &saved.type, nullptr, &size) == ERROR_SUCCESS) {
      saved.value.resize(size);
      saved.hadValue = ::RegQueryValueExW(key, nullptr, nullptr, &saved.type, saved.value.data(),
                                          &size) == ERROR_SUCCESS;
    }
    saved.installed =
        ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                         static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) ==
        ERROR_SUCCESS;
    ::RegCloseKey(key);
    return saved;
  }

  static void Restore(const Saved& saved) {
    if (!saved.createdRoot.empty()) {
      ::RegDeleteTreeW(HKEY_CLASSES_ROOT, saved.createdRoot.c_str());
      return;
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, saved.commandKey.c_str(), 0, KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
      return;
    if (saved.hadValue)
      ::RegSetValueExW(key, nullptr, 0, saved.type, saved.value.data(),
                       static_cast<DWORD>(saved.value.size()));
    else
      ::RegDeleteValueW(key, nullptr);
    ::RegCloseKey(key);
  }

  std::vector<Saved> m_saved;
};

std::wstring AboutTitle() { return Cp932ToWide("Quorlinのﾊﾞｰｼﾞｮﾝ情報"); }

std::vector<std::string> LinesOf(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A link control's text starts at its left edge; a point a few pixels in on
// the first line is on the link.
void ClickLink(HWND link) {
  RECT client{};
  ::GetClientRect(link, &client);
  ClickAt(link, 6, std::min<int>(client.bottom / 2, 6));
}

class AboutBox : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(quorlin.Start());
    main = quorlin.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    // The dialog manager shows a modal dialog normally once its queue first
    // runs empty, which undoes a minimise that came earlier: act on the idle
    // window only, as a user would.
    ASSERT_EQ(::WaitForInputIdle(quorlin.Handle(), 10000), 0u);
    DWORD_PTR reply = 0;
    ASSERT_NE(::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &reply), 0);
  }

  HWND FindAbout() const { return FindProcessWindow(quorlin.Id(), AboutTitle().c_str()); }

  // Posts system command `command` to the main window and waits for the
  // About box it opens.
  HWND OpenAbout(WPARAM command) {
    ::PostMessageW(main, WM_SYSCOMMAND, command, 0);
    HWND about = nullptr;
    WaitUntil([&] { return (about = FindAbout()) != nullptr; });
    return about;
  }

  // Clicks OK as a user would and waits for the box to go.
  bool CloseWithOk(HWND about) {
    HWND ok = ::GetDlgItem(about, IDOK);
    if (!ok) return false;
    RECT client{};
    ::GetClientRect(ok, &client);
    ClickAt(ok, client.right / 2, client.bottom / 2);
    return WaitUntil([&] { return !::IsWindow(about); });
  }

  QuorlinProcess quorlin;
  HWND main = nullptr;
};

TEST_F(AboutBox, SystemCommandsSixteenToThirtyOneOpenItModallyWithTheVersionLine) {
  // The low four bits of the command are ignored; the second opening reads
  // the kept version text.
  for (WPARAM command : {WPARAM{0x10}, WPARAM{0x1F}}) {
    SCOPED_TRACE(command);
    HWND about = OpenAbout(command);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(::GetWindow(about, GW_OWNER), main);
    EXPECT_FALSE(::IsWindowEnabled(main));
    HWND version = FindDescendant(about, IDC_VERSION_TEXT);
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(WindowTextOf(version), "Velkomir Ver.:1- 0- 1- 104");
    PauseForScreenshot();

    ASSERT_TRUE(CloseWithOk(about));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(main) != FALSE; }, 5000));
    EXPECT_EQ(FindAbout(), nullptr);
  }
}

TEST_F(AboutBox, OtherSystemCommandsKeepTheirDefaultMeaning) {
  // Sent rather than posted: the reply comes only once the handler is done,
  // which it would not be while an About box ran modally.
  for (WPARAM command : {WPARAM{0x0F}, WPARAM{0x20}}) {
    SCOPED_TRACE(command);
    DWORD_PTR reply = 0;
    EXPECT_NE(
        ::SendMessageTimeoutW(main, WM_SYSCOMMAND, command, 0, SMTO_ABORTIFHUNG, 3000, &reply), 0);
    EXPECT_EQ(FindAbout(), nullptr);
  }

  ::PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitUntil([&] { return ::IsIconic(main) != FALSE; }, 5000));
  ::PostMessageW(main, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(WaitUntil([&] { return ::IsIconic(main) == FALSE; }, 5000));
  EXPECT_EQ(FindAbout(), nullptr);
}

TEST_F(AboutBox, BroadcastsAreLoggedWhileItIsOpen) {
  HWND log = quorlin.Control(IDC_LOG_LIST);
  ASSERT_NE(log, nullptr);
  size_t before = ListBoxLines(log).size();
  HWND about = OpenAbout(0x10);
  ASSERT_NE(about, nullptr);

  // The broadcast returns once every window has replied, the log included.
  BroadcastDeviceChange(DBT_DEVNODES_CHANGED);
  std::vector<std::string> lines = ListBoxLines(log);
  ASSERT_EQ(lines.size(), before + 1);
  EXPECT_EQ(lines.back(), "[wParam:0x0007]DEVNODES_CHANGED：システムのデバイス状態が変化しました");
  EXPECT_TRUE(::IsWindow(about));
  EXPECT_TRUE(CloseWithOk(about));
}

TEST_F(AboutBox, BothLinksOpenTheSameHomePage) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring record =
      std::wstring(temp) + L"quorlin-opened-" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
  ::DeleteFileW(record.c_str());
  ScopedUrlHandler handler(L"\"" + TestProgramPath() + L"\" " + kRecordSwitch + L" \"" + record +
                           L"\" \"%1\"");
  ASSERT_TRUE(handler.Installed());
  const std::string expected = QUORLIN_HOME_URL "/toppage/";

  HWND mainLink = quorlin.Control(IDC_HOME_LINK);
  ASSERT_NE(mainLink, nullptr);
  ClickLink(mainLink);
  ASSERT_TRUE(WaitUntil([&] { return !LinesOf(record).empty(); }));

  HWND about = OpenAbout(0x10);
  ASSERT_NE(about, nullptr);
  HWND aboutLink = FindDescendant(about, IDC_HOME_LINK);
  ASSERT_NE(aboutLink, nullptr);
  ClickLink(aboutLink);
  ASSERT_TRUE(WaitUntil([&] { return LinesOf(record).size() >= 2; }));
  EXPECT_TRUE(::IsWindow(about));
  EXPECT_TRUE(CloseWithOk(about));

  // One click, one page: once every handler that the clicks started has
  // ended, the record holds all they opened.
  ASSERT_TRUE(WaitForOtherInstancesToEnd());
  std::vector<std::string> opened = LinesOf(record);
  ASSERT_EQ(opened.size(), 2u);
  for (const std::string& address : opened) EXPECT_EQ(address, expected);
  ::DeleteFileW(record.c_str());
}

}  // namespace
