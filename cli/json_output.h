#pragma once
// The console program's JSON: UTF-8 text, one value without a line end.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devchange/device_change_text.h"
#include "drives/drive_report.h"
#include "drives/drive_types.h"
#include "removal/eject_wait.h"
#include "removal/holders.h"

// Converts code page 932 text (the core's names and lines) to UTF-8. The
// conversion is the platform's, so it is handed in.
using ToUtf8 = std::function<std::string(std::string_view)>;

// [{"drive":"C:","type":3,"typeName":"Fixed"}, ...]
std::string DriveListJson(const std::vector<DriveEntry>& drives);

// The drive and its type as in the list, then the report's query results as
// fields, the file-system flags also as the names of the report's flags.
std::string DriveReportJson(const DriveEntry& drive, const DriveReportInput& input,
                            const ToUtf8& toUtf8);

// who: {"drive":"E:","holders":[{"pid":1234,"process":"notepad.exe",
// "path":"E:\\a.jpg"}],"notInspected":0}; `toUtf8` converts the holders'
// names, which the walk gives as UTF-8 already.
std::string HoldersJson(char letter, const DriveHolders& found, const ToUtf8& toUtf8);

// eject: {"drives":["E:","F:"],"action":"device","result":"refused",
// "vetoType":"PNP_VetoOutstandingOpen","vetoName":"...","holders":[...],
// "notInspected":0}; the veto only for a device's refusal, the holders only
// after a refusal. `toUtf8` converts the veto and the holders' names, as for
// HoldersJson.
std::string EjectReportJson(const EjectReport& report, const ToUtf8& toUtf8);

// One device-change broadcast: its time stamp, event code, the record's
// device type and name (null without them) and the log line.
std::string DeviceChangeJson(const std::string& time, uint32_t eventCode,
                             const std::optional<DeviceChangeSubject>& subject,
                             std::string_view text, const ToUtf8& toUtf8);
