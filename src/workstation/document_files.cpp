#include "workstation/document_files.h"

#include "files/logger_data_file.h"

namespace tarvo {

DocumentLoad loadHistoryFile(HistoryDocument& document, const std::filesystem::path& path) {
    const auto opened = openHistoryDocument(document, path);
    if (!opened) return {false, opened.message};
    resetView(document);
    return {true, {}};
}

}  // namespace tarvo
