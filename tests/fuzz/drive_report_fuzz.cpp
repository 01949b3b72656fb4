// The drive report from arbitrary query results: names that fill their
// buffers with or without a NUL, any numbers and flags.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "drives/drive_report.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

template <size_t N>
void FillName(FuzzedDataProvider& input, char (&buffer)[N]) {
  const std::vector<char> bytes =
      input.ConsumeBytes<char>(input.ConsumeIntegralInRange<size_t>(0, N));
  if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
}

template <size_t N>
std::string NameOf(const char (&buffer)[N]) {
  const void* nul = std::memchr(buffer, 0, N);
  return std::string(buffer, nul ? static_cast<const char*>(nul) - buffer : N);
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  // Heap-allocated, so that a read past a name's buffer runs into the next
  // field or the block's end, where AddressSanitizer sees it.
  auto in = std::make_unique<DriveReportInput>();
  in->iconHandle = input.ConsumeIntegral<uint32_t>();
  in->iconIndex = input.ConsumeIntegral<int32_t>();
  in->attributes = input.ConsumeIntegral<uint32_t>();
  in->freeSpaceResult = input.ConsumeBool();
  in->freeBytesAvailableToCaller = input.ConsumeIntegral<uint64_t>();
  in->totalBytes = input.ConsumeIntegral<uint64_t>();
  in->totalFreeBytes = input.ConsumeIntegral<uint64_t>();
  in->volumeResult = input.ConsumeBool();
  in->volumeSerialNumber = input.ConsumeIntegral<uint32_t>();
  in->maximumComponentLength = input.ConsumeIntegral<uint32_t>();
  in->fileSystemFlags = input.ConsumeIntegral<uint32_t>();
  FillName(input, in->displayName);
  FillName(input, in->typeName);
  FillName(input, in->volumeName);
  FillName(input, in->fileSystemName);

  const std::string report = BuildDriveReport(*in);

  FUZZ_CHECK(report.compare(0, 18, "SHGetFileInfo():\r\n") == 0);
  FUZZ_CHECK(report.size() >= 2 && report.compare(report.size() - 2, 2, "\r\n") == 0);
  // Each name is shown whole, up to its NUL or its buffer's end.
  for (const std::string& name : {NameOf(in->displayName), NameOf(in->typeName),
                                  NameOf(in->volumeName), NameOf(in->fileSystemName)})
    FUZZ_CHECK(report.find(name) != std::string::npos);
  // Sixteen fixed lines, one per known flag set, and whatever line breaks
  // the names bring along.
  constexpr uint32_t kKnownFlags = 0x780FF;
  size_t breaks = 16u + static_cast<size_t>(__builtin_popcount(in->fileSystemFlags & kKnownFlags));
  for (const std::string& name : {NameOf(in->displayName), NameOf(in->typeName),
                                  NameOf(in->volumeName), NameOf(in->fileSystemName)})
    breaks += Count(name, "\r\n");
  FUZZ_CHECK(Count(report, "\r\n") == breaks);
  return 0;
}
