#include "cli/command_text.h"

#include <cstdio>

#include "cli/exit_codes.h"

namespace {

constexpr const char* kHelp =
    R"(QuorlinCmd: Quorlin's drive list, report, eject and device-change log
from a console or a script.

Usage:
  QuorlinCmd list [--json]        every drive letter with its type
  QuorlinCmd report X: [--json]   the report that Quorlin shows for drive X:
  QuorlinCmd eject X:             safely remove the device that holds drive X:
                                  and so every drive on it; when it is refused,
                                  who holds the drives
  QuorlinCmd eject --media X:     eject only the medium of drive X: (the card of
                                  one slot of a card reader, a disc); the device
                                  and its other drives stay
  QuorlinCmd eject --all          every removable drive, one device at a time
           [--except Y:]...       but not drive Y: nor the other drives of its
                                  device
  QuorlinCmd who X: [--json]      the processes with a file or folder open on
                                  drive X: (process id, program, path)
  QuorlinCmd watch [--json]       a time-stamped line for every device-change
                                  broadcast, until Ctrl+C or Ctrl+Break
  QuorlinCmd --help               this text
  QuorlinCmd --version            the version

A drive is given by its letter: E, e, E: or E:\. Every eject form also
takes --wait S, --timeout S and --json.

Options:
  --wait S  eject: while a device refuses (for --media: while the volume is
            in use), ask again every second for up to S seconds; the refusal
            and its holders are printed once, and again only when they
            change; Ctrl+C ends the wait (exit code 1)
  --json    list: a JSON array; report: a JSON object of the query results;
            who: a JSON object of the holders; watch: one JSON object per line;
            eject: one JSON object per device, one per line, as each is done:
            {"drives":["E:","F:"],"action":"device" or "medium",
            "result":"ejected", "refused" or "failed"}, after a refusal also
            "vetoType" and "vetoName" (of a device), "holders" and
            "notInspected", as who gives them
  --cp932   code page 932 instead of UTF-8 when the output goes to a file or
            a pipe (a console always shows Unicode text); a character that
            code page 932 lacks is written as "?"
  --timeout SECONDS
            who and eject: how long the search for the processes that hold
            the drive may take (by default it grows with the open files);
            with --wait, each search after a refusal has this much

Exit codes:
  0   done; for eject, the devices or the medium were ejected; for who, the
      drive is held
  1   eject was refused (the veto type and name are printed, and who holds
      the drive) or failed, or the wait was ended by Ctrl+C; for
      eject --media, also no medium or one that cannot be ejected; for who,
      no process holds the drive
  2   no such drive, or no storage device was found for it; for eject --all,
      no removable drive
  3   who: the search ran out of time before it found a process that holds
      the drive, so whether one does is not known (--timeout gives it longer)
  64  the command line was not understood, or an --except drive is no drive
  74  the output could not be written, or watch could not receive broadcasts

使い方:
  QuorlinCmd list [--json]        すべてのドライブ文字とその種類を表示します
  QuorlinCmd report X: [--json]   ドライブ X: について Quorlin と同じ情報を表示します
  QuorlinCmd eject X:             ドライブ X: のデバイスを、そのデバイスのすべての
                                  ドライブごと安全に取り外します
                                  （拒否されたときは、使用中のプロセスも表示します）
  QuorlinCmd eject --media X:     ドライブ X: のメディア（カードリーダーの 1 つの
                                  スロットのカード、ディスク）だけを取り出します。
                                  デバイスとその他のドライブはそのまま残ります
  QuorlinCmd eject --all          すべてのリムーバブル ドライブを 1 台ずつ取り外します
           [--except Y:]...       （ドライブ Y: と、同じデバイスのドライブは除きます）
  QuorlinCmd who X: [--json]      ドライブ X: のファイルやフォルダーを開いている
                                  プロセスを表示します（プロセス ID、プログラム、パス）
  QuorlinCmd watch [--json]       デバイス変更の通知を 1 件 1 行、時刻付きで表示します
                                  （Ctrl+C か Ctrl+Break で終了）
  QuorlinCmd --help               この説明を表示します
  QuorlinCmd --version            バージョンを表示します

ドライブは文字で指定します（E、e、E:、E:\ のいずれも可）。eject はどの形でも
--wait S、--timeout S と --json を付けられます。

オプション:
  --wait S  eject で、デバイスが拒否している間（--media ではボリュームが使用中の
            間）、S 秒まで 1 秒ごとに再試行します。
            拒否と使用中のプロセスは最初と、変わったときだけ表示します。
            Ctrl+C で待つのをやめます（終了コード 1）
  --json    list は JSON の配列、report は問い合わせ結果の JSON オブジェクト、
            who は使用中のプロセスの JSON オブジェクト、
            watch は 1 行に 1 つの JSON オブジェクトで出力します。
            eject は 1 台ごとに、終わった順に 1 行 1 つのオブジェクト
            {"drives":["E:","F:"],"action":"device" か "medium",
            "result":"ejected"、"refused" か "failed"} を出力し、拒否されたときは
            "vetoType" と "vetoName"（デバイスのみ）、"holders"、"notInspected"
            （who と同じ）も加えます
  --cp932   ファイルやパイプへの出力を UTF-8 ではなくコードページ 932 にします
            （コンソールには常に Unicode で表示します）。コードページ 932 に
            ない文字は "?" になります
  --timeout SECONDS
            who と eject で、ドライブを使用中のプロセスを探す時間の上限を
            秒で指定します（既定では開いているファイルの数に応じて決まります）。
            --wait では、拒否されるたびの検索それぞれの上限です

終了コード:
  0   成功（eject ではデバイスかメディアを取り外せたこと、who では使用中の
      プロセスがあること）
  1   eject が拒否された（拒否の種類と名前、使用中のプロセスを表示します）か
      失敗した、Ctrl+C で待つのをやめた、eject --media でメディアがない、
      または取り出せないメディアだった、または who で使用中のプロセスがない
  2   そのドライブがない、ドライブのストレージ デバイスが見つからない、
      または eject --all で取り外せるドライブがない
  3   who で、使用中のプロセスが見つかる前に検索が時間切れになった（使用中
      かどうかはわかりません。--timeout で時間を延ばせます）
  64  コマンドラインの誤り、または --except のドライブがない
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

std::string EjectOutcomeLine(std::string_view letters, const EjectOutcome& outcome) {
  // Built by appending: GCC 12 warns (-Wrestrict) about a chain of + that
  // starts from a named string.
  std::string drives;
  for (char letter : letters) {
    if (!drives.empty()) drives += ' ';
    drives += DriveName(letter);
  }
  std::string line;
  switch (outcome.status) {
    case EjectStatus::kEjected:
      line.append(drives).append(letters.size() > 1 ? " ejected (one device)\r\n" : " ejected\r\n");
      return line;
    case EjectStatus::kRefused: {
      char result[16];
      std::snprintf(result, sizeof result, "0x%X", static_cast<unsigned>(outcome.lastResult));
      line.append(drives).append(" not ejected: ").append(VetoTypeName(outcome.veto.type));
      line.append(" \"").append(outcome.veto.name).append("\" (result ").append(result);
      line.append(")\r\n");
      return line;
    }
    case EjectStatus::kNoDevice:
      break;
  }
  line.append("QuorlinCmd: no storage device found for drive ").append(drives).append("\r\n");
  return line;
}

std::string MediumOutcomeLine(char letter, const MediaEjectOutcome& outcome) {
  const std::string drive = DriveName(letter);
  const std::string error = " (error " + std::to_string(outcome.error) + ")\r\n";
  std::string line;
  switch (outcome.status) {
    case MediaEjectStatus::kEjected:
      return line.append(drive).append(" medium ejected\r\n");
    case MediaEjectStatus::kLockRefused:
      return line.append(drive).append(" medium not ejected: the volume is in use").append(error);
    case MediaEjectStatus::kNoMedium:
      return line.append("QuorlinCmd: there is no medium in drive ").append(drive).append("\r\n");
    case MediaEjectStatus::kNotEjectable:
      line.append("QuorlinCmd: the medium of drive ").append(drive);
      return line.append(" cannot be ejected; QuorlinCmd eject ")
          .append(drive)
          .append(" removes its device\r\n");
    case MediaEjectStatus::kFailed:
      break;
  }
  static constexpr const char* kSteps[] = {
      "the volume could not be opened", "the volume could not be locked",
      "the volume could not be dismounted", "the medium's removal could not be allowed",
      "the eject request failed"};
  line.append(drive).append(" medium not ejected: ");
  return line.append(kSteps[static_cast<int>(outcome.step)]).append(error);
}

std::string EjectReportText(const EjectReport& report) {
  std::string text = report.action == EjectAction::kDevice
                         ? EjectOutcomeLine(report.letters, report.device)
                         : MediumOutcomeLine(report.letters[0], report.medium);
  if (ResultOf(report) != EjectResult::kRefused) return text;
  text += HolderLines(report.holders);
  if (report.holders.holders.empty())
    for (char letter : report.letters) text += NoHolderLine(letter, report.holders);
  return text + NotInspectedLines(report.holders);
}

int EjectReportExitCode(const EjectReport& report) {
  if (report.action == EjectAction::kDevice) return EjectExitCode(report.device.status);
  return ResultOf(report) == EjectResult::kEjected ? kExitSuccess : kExitRefused;
}

std::string AllExceptedLine() {
  return "QuorlinCmd: every removable drive is excepted; nothing was ejected\r\n";
}

std::string NoExceptDriveLine(char letter) {
  return "QuorlinCmd: --except " + DriveName(letter) +
         " is no drive; nothing was ejected (see QuorlinCmd --help)\r\n";
}

std::string NoRemovableDriveLine() {
  return "QuorlinCmd: there is no removable drive to eject\r\n";
}

std::string HolderLines(const DriveHolders& found) {
  std::string text;
  for (const DriveHolder& h : found.holders)
    text += std::to_string(h.pid) + "  " + h.process + "  " + h.path + "\r\n";
  return text;
}

std::string NoHolderLine(char letter, const DriveHolders& found) {
  // A walk cut short has not seen every process: it cannot say that none holds the drive.
  if (found.outOfTime != 0)
    return "no process holding files open on " + DriveName(letter) +
           " was found among the processes inspected\r\n";
  return "no process holds files open on " + DriveName(letter) + "\r\n";
}

std::string NotInspectedLine(std::uint32_t count) {
  if (count == 0) return {};
  return std::to_string(count) + (count == 1 ? " process" : " processes") +
         " could not be inspected; an administrator's console sees more\r\n";
}

std::string NotInspectedLines(const DriveHolders& found) {
  std::string text = NotInspectedLine(found.notInspected - found.outOfTime);
  const std::uint32_t late = found.outOfTime;
  if (late == 0) return text;
  return text + std::to_string(late) + (late == 1 ? " process was" : " processes were") +
         " not inspected: the walk ran out of time (--timeout SECONDS gives it longer)\r\n";
}

int WhoExitCode(const DriveHolders& found) {
  if (!found.holders.empty()) return kExitHeld;
  return found.outOfTime != 0 ? kExitUnfinished : kExitNotHeld;
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
