#pragma once
// The database append of the command line (`convert --append`, `collect --database`):
// a ".mdb" file or a PostgreSQL server, with the line name of this workstation.

#include <string>

#include "cli/cli_options.h"
#include "workstation/document_commands.h"

namespace tarvo::cli {

// The line the rows name on a server: the stored "Line" setting, else the host
// name and the serial port (--port when given, else the stored one).
std::string databaseLine(const GlobalOptions& options);

// Appends the document to `name` as the window's append does. On success the line
// to print: the file, or the server (without password) and how many rows were new.
CommandOutcome appendToDatabase(HistoryDocument& document, const std::string& name,
                                const GlobalOptions& options, std::string& printed);

}  // namespace tarvo::cli
