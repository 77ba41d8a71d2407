#include "workstation/server_append.h"

#include "files/database_export.h"
#include "files/live_file.h"
#include "files/save_target.h"
#include "workstation/workstation.h"

namespace tarvo {

namespace {

std::string trimmed(std::string text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

bool serverAppendEnabled(const Workstation& workstation) {
    if (workstation.settings().DatabaseServer.empty()) return false;
    const ChildKind kind = workstation.activeChild().kind;
    return kind == ChildKind::History || kind == ChildKind::Live;
}

CommandOutcome appendActiveWindowToServer(Workstation& workstation) {
    CommandOutcome out;
    if (!serverAppendEnabled(workstation)) return out;
    const ProgramSettings& settings = workstation.settings();
    const ActiveChild active = workstation.activeChild();
    const std::string line = databaseLineName(settings);
    if (active.kind == ChildKind::History) {
        HistoryDocument* document = workstation.document(active.index);
        if (!document) return out;
        out = appendDocumentToDatabase(*document, settings.DatabaseServer, workstation.templates(),
                                       line);
    } else {
        const DatabaseResult r = appendDatabase(liveExportSource(workstation.liveDocument()),
                                                SaveTarget::server(settings.DatabaseServer),
                                                workstation.templates(), line);
        out.ok = r.ok;
        out.message = r.message;
        out.detail = r.reason;
        out.targetText = r.targetText;
        out.newRows = r.newRows;
    }
    if (out) {
        workstation.messenger().show(
            {serverAppendedText(out.newRows), "", MessageIcon::Information, MessageButtons::Ok});
    } else if (out.message) {
        workstation.messenger().show(*out.message);
    }
    return out;
}

ServerSettingsValues serverSettingsValues(const Workstation& workstation) {
    const ProgramSettings& s = workstation.settings();
    ProgramSettings withoutLine = s;
    withoutLine.Line.clear();
    return {s.DatabaseServer, s.Line, databaseLineName(withoutLine)};
}

bool acceptServerSettings(Workstation& workstation, const ServerSettingsValues& values) {
    const std::string uri = trimmed(values.uri);
    if (!uri.empty() && !isServerUri(uri)) {
        workstation.messenger().show(
            {kBadServerUriMessage, "", MessageIcon::Warning, MessageButtons::Ok});
        return false;
    }
    workstation.setDatabaseServer(withoutPassword(uri), trimmed(values.line));
    workstation.runEnabling();
    return true;
}

}  // namespace tarvo
