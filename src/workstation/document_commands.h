#pragma once
// The document commands on a history document: open a logger data file, save or
// export under a chosen name (the kind follows the last three characters of the
// name), and append to a database. The window and the command line both call these.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/messenger.h"
#include "core/settings.h"
#include "data/history_document.h"
#include "data/live_document.h"
#include "files/template_locator.h"

namespace tarvo {

struct CommandOutcome {
    bool ok = false;
    // What the operator is to be shown (failures only).
    std::optional<Message> message;
    // Why it failed, for the command line; empty on success.
    std::string detail;
    // The file written (the append may add ".mdb"); empty for a server.
    std::filesystem::path path;
    // What was written to, for the operator: the file's path, or the server's URI
    // without its password.
    std::string targetText;
    // The database append: data rows the database did not hold before.
    std::int64_t newRows = 0;

    explicit operator bool() const { return ok; }
};

// Reads a logger data file into the document, sets its home view and computes the
// statistics over it: the one open path of the window and the command line.
CommandOutcome openDocumentFile(HistoryDocument& document, const std::filesystem::path& path,
                            int plotWidthTwips);

// Saves the document under `path` by its last three characters: "orx" (and any kind
// not listed) a logger data file, "mdb" the database, "csv", "doc", "txt" the text
// exports. On success the document takes the name, the caption "记录仪文件:" + path
// and the saved flag, whatever the format; on failure it keeps them and the
// operator is told.
CommandOutcome saveDocumentAs(HistoryDocument& document, const std::filesystem::path& path,
                              const TemplateLocator& templates);

// Appends the document's records to a database: a file (".mdb" added when the name
// does not end in it) or, for a "postgresql://" URI, a server, where the rows name
// `line` (empty: defaultLineName("")). Name, caption and saved flag do not change.
CommandOutcome appendDocumentToDatabase(HistoryDocument& document, const std::string& name,
                                        const TemplateLocator& templates,
                                        std::string_view line = {});

// The line the rows of this workstation name on a server: the "Line" setting, else
// the host name and the serial port.
std::string databaseLineName(const ProgramSettings& settings);

// What the program says after an append to a server: how many rows were new.
std::string serverAppendedText(std::int64_t newRows);

// The live-curve window's SaveAs: its buffer under `path`, the kind by the last three
// characters as for a history document, with the live layouts (channel codes as
// channel numbers, the live text record lines). The statistics are written as the
// window holds them. The window keeps its caption and name.
CommandOutcome saveLiveDocumentAs(const LiveDocument& document, const std::filesystem::path& path,
                                  const TemplateLocator& templates);

// The live-curve window's AddToDataBase: its buffer's records appended to a database.
CommandOutcome appendLiveDocumentToDatabase(const LiveDocument& document, const std::string& name,
                                            const TemplateLocator& templates);

}  // namespace tarvo
