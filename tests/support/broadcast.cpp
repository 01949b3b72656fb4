#include "support/broadcast.h"

#include <dbt.h>

#include <cstring>

void BroadcastDeviceChange(WPARAM code, const std::vector<unsigned char>& record) {
  DWORD recipients = BSM_APPLICATIONS;
  LPARAM lParam = record.empty() ? 0 : reinterpret_cast<LPARAM>(record.data());
  ::BroadcastSystemMessageW(BSF_FORCEIFHUNG | BSF_QUERY, &recipients, WM_DEVICECHANGE, code,
                            lParam);
}

std::vector<unsigned char> VolumeRecord(DWORD unitMask) {
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof(volume);
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = unitMask;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&volume);
  return {bytes, bytes + sizeof(volume)};
}

std::vector<unsigned char> RecordWithName(DWORD type, size_t nameOffset,
                                          std::string_view nameBytes) {
  std::vector<unsigned char> record(nameOffset + nameBytes.size() + 1, 0);
  const DWORD header[2] = {static_cast<DWORD>(record.size()), type};
  std::memcpy(record.data(), header, sizeof(header));
  std::memcpy(record.data() + nameOffset, nameBytes.data(), nameBytes.size());
  return record;
}
