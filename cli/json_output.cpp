#include "cli/json_output.h"

#include <nlohmann/json.hpp>

#include <cstring>

namespace {

// Keys in the order they are written, as a reader expects them.
using Json = nlohmann::ordered_json;

Json DriveObject(const DriveEntry& drive) {
  return Json{{"drive", DriveName(drive.letter)},
              {"type", drive.type},
              {"typeName", DriveTypeName(drive.type)}};
}

// A name of the report's input up to its NUL, never past its buffer.
template <size_t N>
std::string Name(const char (&buffer)[N], const ToUtf8& toUtf8) {
  return toUtf8(std::string_view(buffer, strnlen(buffer, N)));
}

// The converter's output is valid UTF-8; should anything else slip in, it is
// written as U+FFFD rather than ending the program.
std::string Dump(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

std::string DriveListJson(const std::vector<DriveEntry>& drives) {
  Json list = Json::array();
  for (const DriveEntry& drive : drives) list.push_back(DriveObject(drive));
  return Dump(list);
}

std::string DriveReportJson(const DriveEntry& drive, const DriveReportInput& in,
                            const ToUtf8& toUtf8) {
  Json flagNames = Json::array();
  for (const FileSystemFlag& flag : FileSystemFlagTable())
    if (in.fileSystemFlags & flag.bit) flagNames.push_back(flag.name);

  Json report = DriveObject(drive);
  report["fileInfo"] = {{"iconHandle", in.iconHandle},
                        {"iconIndex", in.iconIndex},
                        {"attributes", in.attributes},
                        {"displayName", Name(in.displayName, toUtf8)},
                        {"typeName", Name(in.typeName, toUtf8)}};
  report["freeSpace"] = {{"result", in.freeSpaceResult},
                         {"freeBytesAvailableToCaller", in.freeBytesAvailableToCaller},
                         {"totalBytes", in.totalBytes},
                         {"totalFreeBytes", in.totalFreeBytes}};
  report["volume"] = {{"result", in.volumeResult},
                      {"volumeName", Name(in.volumeName, toUtf8)},
                      {"volumeSerialNumber", in.volumeSerialNumber},
                      {"fileSystemFlags", in.fileSystemFlags},
                      {"fileSystemFlagNames", flagNames},
                      {"maximumComponentLength", in.maximumComponentLength},
                      {"fileSystemName", Name(in.fileSystemName, toUtf8)}};
  return Dump(report);
}

namespace {

Json HolderArray(const DriveHolders& found, const ToUtf8& toUtf8) {
  Json holders = Json::array();
  for (const DriveHolder& h : found.holders)
    holders.push_back({{"pid", h.pid}, {"process", toUtf8(h.process)}, {"path", toUtf8(h.path)}});
  return holders;
}

}  // namespace

std::string HoldersJson(char letter, const DriveHolders& found, const ToUtf8& toUtf8) {
  return Dump(Json{{"drive", DriveName(letter)},
                   {"holders", HolderArray(found, toUtf8)},
                   {"notInspected", found.notInspected}});
}

std::string EjectReportJson(const EjectReport& report, const ToUtf8& toUtf8) {
  static constexpr const char* kResults[] = {"ejected", "refused", "failed"};
  Json drives = Json::array();
  for (char letter : report.letters) drives.push_back(DriveName(letter));
  const EjectResult result = ResultOf(report);
  Json object = {{"drives", drives},
                 {"action", report.action == EjectAction::kDevice ? "device" : "medium"},
                 {"result", kResults[static_cast<int>(result)]}};
  if (result != EjectResult::kRefused) return Dump(object);
  if (report.action == EjectAction::kDevice) {
    object["vetoType"] = VetoTypeName(report.device.veto.type);
    object["vetoName"] = toUtf8(report.device.veto.name);
  }
  object["holders"] = HolderArray(report.holders, toUtf8);
  object["notInspected"] = report.holders.notInspected;
  return Dump(object);
}

std::string DeviceChangeJson(const std::string& time, uint32_t eventCode,
                             const std::optional<DeviceChangeSubject>& subject,
                             std::string_view text, const ToUtf8& toUtf8) {
  Json event = {{"time", time},
                {"eventCode", eventCode},
                {"deviceType", nullptr},
                {"name", nullptr},
                {"text", toUtf8(text)}};
  if (subject) {
    event["deviceType"] = subject->deviceType;
    if (subject->name) event["name"] = toUtf8(*subject->name);
  }
  return Dump(event);
}
