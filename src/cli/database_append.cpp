#include "cli/database_append.h"

#include "files/save_target.h"
#include "platform/qt_settings_store.h"

namespace tarvo::cli {

std::string databaseLine(const GlobalOptions& options) {
    const QtSettingsStore store;
    ProgramSettings settings;
    DisplayNames names;
    loadSettings(store, settings, names);
    if (options.port) settings.ComPort = *options.port;
    return databaseLineName(settings);
}

CommandOutcome appendToDatabase(HistoryDocument& document, const std::string& name,
                                const GlobalOptions& options, std::string& printed) {
    const bool server = isServerUri(name);
    const TemplateLocator templates;
    CommandOutcome out = appendDocumentToDatabase(document, name, templates,
                                                  server ? databaseLine(options) : std::string());
    if (out) {
        printed = out.targetText;
        if (server) printed += ": " + std::to_string(out.newRows) + " new rows";
    }
    return out;
}

}  // namespace tarvo::cli
