// The console program's reference: a bare console program, linked as
// QuorlinCmd.exe is (static C and C++ runtimes, nothing else), that writes
// one line to its standard output and ends. What it costs to start and end
// is what any console program costs under Wine; scripts/bench.sh sets each
// start of QuorlinCmd.exe beside one of this.
#include <windows.h>

int main() {
  static const char kLine[] = "C:\\  Fixed\r\n";
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), kLine, sizeof kLine - 1, &written, nullptr);
  return 0;
}
