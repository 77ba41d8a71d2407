#pragma once
// "添加到服务器数据库": the active history or live-curve window appended to the
// database server of the settings (设置 → "数据库服务器"), and that setting itself.

#include <string>

#include "workstation/document_commands.h"

namespace tarvo {

class Workstation;

inline constexpr const char* kAddToServerCaption = "添加到服务器数据库";
inline constexpr const char* kServerSettingsCaption = "数据库服务器";
inline constexpr const char* kServerSettingsTitle = "数据库服务器";
inline constexpr const char* kServerUriLabel = "服务器地址:";
inline constexpr const char* kServerLineLabel = "线路:";

// Enabled when a server is set and a history or the live-curve window is active.
bool serverAppendEnabled(const Workstation& workstation);

// Appends the active window's records to the server, then tells the operator how
// many rows were new, or why nothing was added. Does nothing while disabled.
CommandOutcome appendActiveWindowToServer(Workstation& workstation);

// What the settings dialog shows: the stored URI and line name (empty: the default,
// shown as a hint).
struct ServerSettingsValues {
    std::string uri;
    std::string line;
    std::string defaultLine;
};
ServerSettingsValues serverSettingsValues(const Workstation& workstation);

// The dialog was confirmed: the URI is stored without any password (libpq takes it
// from PGPASSWORD or ~/.pgpass), the line as typed; both are saved at once. An entry
// that is neither empty nor a "postgresql://" URI is refused with a message, and
// nothing changes.
bool acceptServerSettings(Workstation& workstation, const ServerSettingsValues& values);

inline constexpr const char* kBadServerUriMessage =
    "服务器地址无效，请输入以postgresql://开头的地址。";

}  // namespace tarvo
