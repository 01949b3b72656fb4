// Quorlin reads the same whatever the system's ANSI code page is. The test
// program runs under code page 932 or 1252 (its Wine start decides); a copy of
// Quorlin.exe whose manifest asks for the UTF-8 code page covers the third.
#include <gtest/gtest.h>

#include "framework/text_win.h"
#include "res/resource.h"
#include "support/broadcast.h"
#include "support/drive_report_check.h"
#include "support/process.h"
#include "support/remote_window.h"

namespace {

std::string ManifestOf(const std::wstring& exe) {
  std::string manifest;
  HMODULE module = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return manifest;
  if (HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(module, found)));
    manifest.assign(data, ::SizeofResource(module, found));
  }
  ::FreeLibrary(module);
  return manifest;
}

// A copy of Quorlin.exe that runs with the UTF-8 ANSI code page.
std::wstring MakeUtf8Copy() {
  std::wstring copy = TempPath(L"QuorlinUtf8.exe");
  if (!::CopyFileW(QuorlinExePath().c_str(), copy.c_str(), FALSE)) return L"";
  std::string manifest = ManifestOf(copy);
  size_t end = manifest.rfind("</assembly>");
  if (end == std::string::npos) return L"";
  manifest.insert(end,
                  "<application xmlns=\"urn:schemas-microsoft-com:asm.v3\"><windowsSettings>"
                  "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">"
                  "UTF-8</activeCodePage></windowsSettings></application>\n");
  HANDLE update = ::BeginUpdateResourceW(copy.c_str(), FALSE);
  if (!update) return L"";
  ::UpdateResourceW(update, MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1),
                    MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), manifest.data(),
                    static_cast<DWORD>(manifest.size()));
  if (!::EndUpdateResourceW(update, FALSE)) return L"";
  return copy;
}

class CodePage : public ::testing::TestWithParam<bool> {
 protected:
  static void SetUpTestSuite() { utf8Copy = MakeUtf8Copy(); }
  static void TearDownTestSuite() { ::DeleteFileW(utf8Copy.c_str()); }

  std::wstring Exe() const { return GetParam() ? utf8Copy : QuorlinExePath(); }

  static std::wstring utf8Copy;
};
std::wstring CodePage::utf8Copy;

// The cases below mean something only under the code page that the Wine
// start was given: 1252 for en_US, 932 for ja_JP.
TEST(CodePageRun, RunsUnderTheCodePageOfItsLocale) {
  char locale[64] = {};
  ASSERT_GT(::GetEnvironmentVariableA("LC_ALL", locale, sizeof locale), 0u);
  const std::string name = locale;
  if (name.rfind("en_US", 0) == 0) {
    EXPECT_EQ(::GetACP(), 1252u);
  } else {
    ASSERT_EQ(name.rfind("ja_JP", 0), 0u) << name;
    EXPECT_EQ(::GetACP(), 932u);
  }
}

TEST_P(CodePage, OnlyTheCopyAsksForUtf8) {
  // The shipped program takes the system's code page; the copy overrides it.
  ASSERT_FALSE(Exe().empty());
  EXPECT_EQ(ManifestOf(Exe()).find(">UTF-8</activeCodePage>") != std::string::npos, GetParam());
}

TEST_P(CodePage, JapaneseArgumentsAreEchoedAsCodePage932) {
  std::wstring out = TempPath(L"echo.txt");
  QuorlinProcess quorlin;
  ASSERT_TRUE(quorlin.Start(Cp932ToWide("ドライブ一覧 表示"), DETACHED_PROCESS, out, Exe()));
  ASSERT_NE(quorlin.WaitForMainWindow(), nullptr);
  ::PostMessageW(quorlin.MainWindow(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(quorlin.WaitForExit(10000));
  EXPECT_EQ(ReadWholeFile(out), "1番目の引数=ドライブ一覧\n2番目の引数=表示\n");
  ::DeleteFileW(out.c_str());
}

TEST_P(CodePage, LogAndReportReadCorrectly) {
  QuorlinProcess quorlin;
  ASSERT_TRUE(quorlin.Start(L"", 0, L"", Exe()));
  ASSERT_NE(quorlin.WaitForMainWindow(), nullptr);

  BroadcastDeviceChange(0x0007);
  std::vector<std::string> lines = ListBoxLines(quorlin.Control(IDC_LOG_LIST));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "[wParam:0x0007]DEVNODES_CHANGED：システムのデバイス状態が変化しました");

  // C: is the first row; its file system preserves case, so the report has
  // the first flag line.
  HWND list = quorlin.Control(IDC_DRIVE_LIST);
  ASSERT_EQ(ListViewText(list, 0, 0), "C:\\");
  RECT row = ListViewItemRect(list, 0);
  ClickAt(list, (row.left + row.right) / 2, (row.top + row.bottom) / 2);
  HWND report = quorlin.Control(IDC_REPORT_EDIT);
  std::wstring shown;
  ASSERT_TRUE(WaitUntil([&] { return !(shown = WideWindowTextOf(report)).empty(); }, 5000));
  ExpectReportOfCReadsRight(shown);
}

INSTANTIATE_TEST_SUITE_P(Quorlin, CodePage, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Utf8" : "System"; });

}  // namespace
