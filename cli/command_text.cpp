#include "cli/command_text.h"

#include <cstdio>

namespace {

constexpr const char* kHelp =
    R"(QuorlinCmd: Quorlin's drive list, report, eject and device-change log
from a console or a script.

Usage:
  QuorlinCmd list [--json]        every drive letter with its type
  QuorlinCmd report X: [--json]   the report that Quorlin shows for drive X:
  QuorlinCmd eject X:             safely remove the device that holds drive X:
  QuorlinCmd watch [--json]       a time-stamped line for every device-change
                                  broadcast, until Ctrl+C or Ctrl+Break
  QuorlinCmd --help               this text
  QuorlinCmd --version            the version

A drive is given by its letter: E, e, E: or E:\.

Options:
  --json    list: a JSON array; report: a JSON object of the query results;
            watch: one JSON object per line
  --cp932   code page 932 instead of UTF-8 when the output goes to a file or
            a pipe (a console always shows Unicode text)

Exit codes:
  0   done; for eject, the device was ejected
  1   eject was refused: the veto type and the veto name are printed
  2   no such drive, or no storage device was found for it
  64  the command line was not understood
  74  the output could not be written, or watch could not receive broadcasts

使い方:
  QuorlinCmd list [--json]        すべてのドライブ文字とその種類を表示します
  QuorlinCmd report X: [--json]   ドライブ X: について Quorlin と同じ情報を表示します
  QuorlinCmd eject X:             ドライブ X: のデバイスを安全に取り外します
  QuorlinCmd watch [--json]       デバイス変更の通知を 1 件 1 行、時刻付きで表示します
                                  （Ctrl+C か Ctrl+Break で終了）
  QuorlinCmd --help               この説明を表示します
  QuorlinCmd --version            バージョンを表示します

ドライブは文字で指定します（E、e、E:、E:\ のいずれも可）。

オプション:
  --json    list は JSON の配列、report は問い合わせ結果の JSON オブジェクト、
            watch は 1 行に 1 つの JSON オブジェクトで出力します
  --cp932   ファイルやパイプへの出力を UTF-8 ではなくコードページ 932 にします
            （コンソールには常に Unicode で表示します）

終了コード:
  0   成功（eject ではデバイスを取り外せたこと）
  1   eject が拒否された（拒否の種類と拒否したものの名前を表示します）
  2   そのドライブがない、またはドライブのストレージ デバイスが見つからない
  64  コマンドラインの誤り
  74  出力を書き込めなかった、または watch が通知を受け取れなかった
)";

// The help above, with the line ends every text of the program has.
std::string WithCrLf(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (*p == '\n') out += '\r';
    out += *p;
  }
  return out;
}

}  // namespace

std::string HelpText() { return WithCrLf(kHelp); }

std::string VersionLine(const std::string& versionText) {
  return "QuorlinCmd " + versionText + "\r\n";
}

std::string DriveListText(const std::vector<DriveEntry>& drives) {
  std::string text;
  for (const DriveEntry& drive : drives)
    text += DriveRootPath(drive.letter) + "  " + DriveTypeName(drive.type) + "\r\n";
  return text;
}

std::string NoDriveLine(char letter) {
  return "QuorlinCmd: there is no drive " + DriveName(letter) + "\r\n";
}

std::string EjectOutcomeLine(char letter, const EjectOutcome& outcome) {
  switch (outcome.status) {
    case EjectStatus::kEjected:
      return DriveName(letter) + " ejected\r\n";
    case EjectStatus::kRefused: {
      char result[16];
      std::snprintf(result, sizeof result, "0x%X", static_cast<unsigned>(outcome.lastResult));
      return DriveName(letter) + " not ejected: " + VetoTypeName(outcome.veto.type) + " \"" +
             outcome.veto.name + "\" (result " + result + ")\r\n";
    }
    case EjectStatus::kNoDevice:
      break;
  }
  return "QuorlinCmd: no storage device found for drive " + DriveName(letter) + "\r\n";
}

int EjectExitCode(EjectStatus status) {
  switch (status) {
    case EjectStatus::kEjected:
      return kExitSuccess;
    case EjectStatus::kRefused:
      return kExitRefused;
    case EjectStatus::kNoDevice:
      break;
  }
  return kExitNoDrive;
}
