#pragma once
// File names and folders: the kind of a file is decided by the last three characters
// of its full name, and everything the program writes by itself (the live dumps)
// goes to a writable data folder.

#include <filesystem>
#include <string>
#include <string_view>

#include "core/date_time.h"

namespace tarvo {

// The last three characters of the full name, ASCII letters in lower case ("orx",
// "mdb", "csv", "doc", "txt" are the kinds the program knows; anything else is
// returned as it is). There is no test of the content and no dot is needed:
// "REC.ORX" and "resultorx" are both "orx". A name of fewer than three characters
// gives all of it.
std::string fileKind(const std::filesystem::path& path);

// True when the name is a logger data file name (kind "orx").
bool isLoggerDataFileName(const std::filesystem::path& path);

// How a document is saved under a chosen name. A name of any other kind is written
// as a logger data file under the name exactly as chosen (no extension is added).
enum class SaveFormat {
    LoggerDataFile,  // "orx" and every unknown kind
    Database,        // "mdb"
    CommaSeparated,  // "csv"
    WordText,        // "doc"
    PlainText,       // "txt"
};
SaveFormat saveFormatFor(const std::filesystem::path& path);

// The path as UTF-8 text (captions, messages, JSON) and back.
std::string pathText(const std::filesystem::path& path);
std::filesystem::path pathFromText(std::string_view utf8);

// The path made absolute against the working folder, "." and ".." taken out; links
// are kept as named (the window shows the name the operator chose). A path that
// cannot be made absolute stays as it is.
std::filesystem::path fullPath(const std::filesystem::path& path);

// Whether two paths name the same file: compared with every link resolved, as far as
// the paths exist, so "./x.orx", "/data/x.orx" and a link to it are one file.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// The writable data folder: $TARVO_DATA_DIR when set and not empty, else the
// platform's application data folder ($XDG_DATA_HOME/Tarvo or ~/.local/share/Tarvo
// on Linux, %APPDATA%\Tarvo on Windows). The folder is not created here.
std::filesystem::path dataFolder();

// Creates the folder (and its parents) when it is missing. False when it cannot
// be created or the name is taken by something that is not a folder.
bool ensureFolder(const std::filesystem::path& folder);

// Where the live window dumps its buffer for a stamp: <data folder>/Temp/ followed by
// compactTimeText(stamp) and ".orx". The Temp folder is created when missing; when
// that fails the path is still returned and writing to it reports the error.
std::filesystem::path tempDumpPath(DateTime stamp);

}  // namespace tarvo
