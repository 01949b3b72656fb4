// Sets up the scene of the README's picture and takes it: a removable drive
// E: through Wine's mount manager, Quorlin.exe (next to this program) with
// that drive's row clicked so that its report shows and the remove button is
// enabled, and the device-change broadcasts of a USB stick being plugged in,
// sent from this process. Then it copies the main window, frame included,
// from the screen into a 24-bit BMP file, closes Quorlin and removes the
// drive. Meant to run in a Wine virtual desktop, where Wine draws the frame
// (scripts/screenshot.sh). With a second file it also takes a picture of
// the About box, to check how its texts are drawn.
//
//   screenshot_scene.exe OUT.bmp [ABOUT.bmp]
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "framework/text_win.h"
#include "res/resource.h"
#include "support/broadcast.h"
#include "support/list_rows.h"
#include "support/process.h"
#include "support/remote_window.h"
#include "support/wine_mount.h"

namespace {

int Fail(const char* what) {
  std::fprintf(stderr, "screenshot_scene: %s\n", what);
  return 1;
}

// The window as the screen shows it, as a bottom-up 24-bit BMP file.
bool SaveWindowPicture(HWND window, const std::wstring& path) {
  RECT rect;
  if (!::GetWindowRect(window, &rect)) return false;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  header.biSizeImage = rowBytes * static_cast<DWORD>(height);

  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
  bool copied = false;
  if (bitmap) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    copied = ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::GdiFlush();
    ::SelectObject(memory, old);
  }
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);

  bool written = false;
  if (copied) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(static_cast<const char*>(bits), header.biSizeImage);
    written = static_cast<bool>(out);
  }
  if (bitmap) ::DeleteObject(bitmap);
  return written;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv || argc < 2 || argc > 3) return Fail("usage: screenshot_scene.exe OUT.bmp [ABOUT.bmp]");
  const std::wstring out = argv[1], aboutOut = argc == 3 ? argv[2] : L"";

  ScopedWineDrive drive(L'E', kWineDriveRemovable, "USBDRIVE", "5e1f0a27");
  if (!drive.ok()) return Fail("cannot add the removable drive E:");

  QuorlinProcess quorlin;
  if (!quorlin.Start() || !quorlin.WaitForMainWindow()) return Fail("Quorlin.exe did not start");
  HWND list = quorlin.Control(IDC_DRIVE_LIST);
  HWND report = quorlin.Control(IDC_REPORT_EDIT);
  HWND remove = quorlin.Control(IDC_REMOVE_BUTTON);
  if (!list || !report || !remove) return Fail("Quorlin's controls are missing");

  // What Windows broadcasts when a USB stick comes in.
  BroadcastDeviceChange(DBT_DEVNODES_CHANGED);
  BroadcastDeviceChange(DBT_DEVNODES_CHANGED);
  BroadcastDeviceChange(DBT_DEVICEARRIVAL, VolumeRecord(1u << (L'E' - L'A')));

  int row = -1;
  // The list refreshes every 3 s.
  if (!WaitUntil([&] { return (row = ListViewRowOf(list, "E:\\")) >= 0; }, 10000))
    return Fail("no row for E:");
  if (!ClickRowAndWait(list, row)) return Fail("the click on E: was not handled");
  if (!WaitUntil([&] { return !WindowTextOf(report).empty() && ::IsWindowEnabled(remove); }))
    return Fail("the click on E: showed no report");

  // Without a window manager the desktop has no focus, and Quorlin's window
  // comes up drawn inactive; the About box activates it again as it closes,
  // as it would on a user's screen. Its picture is taken on the way.
  ::PostMessageW(quorlin.MainWindow(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  const std::wstring title = Cp932ToWide("Quorlinのﾊﾞｰｼﾞｮﾝ情報");
  HWND about = nullptr;
  if (!WaitUntil([&] { return (about = FindProcessWindow(quorlin.Id(), title.c_str())); }))
    return Fail("the About box did not open");
  ::Sleep(1000);
  if (!aboutOut.empty() && !SaveWindowPicture(about, aboutOut))
    return Fail("cannot save the About box picture");
  ::PostMessageW(about, WM_CLOSE, 0, 0);
  WaitUntil([&] { return !::IsWindow(about); });

  // Let the last changes reach the screen before copying it.
  ::RedrawWindow(quorlin.MainWindow(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  ::Sleep(1500);
  const bool saved = SaveWindowPicture(quorlin.MainWindow(), out);

  ::PostMessageW(quorlin.MainWindow(), WM_CLOSE, 0, 0);
  quorlin.WaitForExit(5000);
  return saved ? 0 : Fail("cannot save the picture");
}
