#pragma once
// Loading a logger data file into a history document for the workstation. Kept in
// a unit of its own, apart from the serial line's headers.

#include <filesystem>
#include <string>

#include "data/history_document.h"

namespace tarvo {

struct DocumentLoad {
    bool ok = false;
    std::string message;  // "您打开的文件格式无效。" when refused
};

// Reads the file into the document and sets its home view; a refused file leaves
// the document as it was.
DocumentLoad loadHistoryFile(HistoryDocument& document, const std::filesystem::path& path);

}  // namespace tarvo
