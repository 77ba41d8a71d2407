#include "workstation/document_commands.h"

#include "files/database_export.h"
#include "files/file_names.h"
#include "files/live_file.h"
#include "files/logger_data_file.h"
#include "files/text_export.h"

namespace tarvo {

namespace {

Message saveFailedMessage(const std::filesystem::path& path) {
    return Message{kSaveFailedPrefix + pathText(path), "错误", MessageIcon::Warning,
                   MessageButtons::Ok};
}

CommandOutcome fromWrite(const WriteResult& r, const std::filesystem::path& path) {
    CommandOutcome out;
    out.ok = r.ok;
    out.path = path;
    if (!r.ok) {
        out.message = saveFailedMessage(path);
        out.detail = r.error;
    }
    return out;
}

CommandOutcome fromDatabase(const DatabaseResult& r, const std::filesystem::path& path) {
    CommandOutcome out;
    out.ok = r.ok;
    out.path = r.path.empty() ? path : r.path;
    out.targetText = r.targetText.empty() ? pathText(out.path) : r.targetText;
    out.newRows = r.newRows;
    if (!r.ok) {
        // A failure the database export leaves silent is still a failure to report.
        out.message = r.message ? *r.message : saveFailedMessage(out.path);
        out.detail = r.reason;
    }
    return out;
}

}  // namespace

CommandOutcome openDocumentFile(HistoryDocument& document, const std::filesystem::path& path,
                            int plotWidthTwips) {
    const OpenResult r = openHistoryDocument(document, path);
    CommandOutcome out;
    out.ok = r.ok;
    out.path = path;
    if (!r.ok) {
        out.message = Message{r.message, "", MessageIcon::Warning, MessageButtons::Ok};
        out.detail = r.message;
        return out;
    }
    document.view = ChartView{};
    resetView(document, plotWidthTwips);
    applyHomeViewWhenEmpty(document);
    // The figures the window shows after its first redraw, for every caller alike
    // (the command line prints and converts these, not the ones the file stored).
    recomputeStatistics(document);
    return out;
}

CommandOutcome saveDocumentAs(HistoryDocument& document, const std::filesystem::path& path,
                              const TemplateLocator& templates) {
    CommandOutcome out;
    switch (saveFormatFor(path)) {
        case SaveFormat::LoggerDataFile: {
            const SaveResult r = saveHistoryDocument(document, path);
            out.ok = r.ok;
            out.path = path;
            if (!r.ok) {
                out.message = Message{r.message, "错误", MessageIcon::Warning, MessageButtons::Ok};
                out.detail = r.detail;
            }
            return out;  // the logger data file sets name, caption and saved itself
        }
        case SaveFormat::Database:
            out = fromDatabase(exportDatabase(document, path, templates), path);
            break;
        case SaveFormat::CommaSeparated:
            out = fromWrite(exportCsv(document, path), path);
            break;
        case SaveFormat::WordText:
            out = fromWrite(exportText(document, TextLayout::Document, path), path);
            break;
        case SaveFormat::PlainText:
            out = fromWrite(exportText(document, TextLayout::Text, path), path);
            break;
    }
    if (out.ok) {
        document.fileName = pathText(path);
        document.caption = "记录仪文件:" + document.fileName;
        document.saved = true;
    }
    return out;
}

CommandOutcome appendDocumentToDatabase(HistoryDocument& document, const std::string& name,
                                        const TemplateLocator& templates, std::string_view line) {
    const ExportSource source{document.channels, ExportOrigin::History};
    const DatabaseResult r = appendDatabase(source, name, templates, line);
    return fromDatabase(r, isServerUri(name) ? std::filesystem::path() : pathFromText(name));
}

std::string databaseLineName(const ProgramSettings& settings) {
    return settings.Line.empty() ? defaultLineName(settings.ComPort) : settings.Line;
}

std::string serverAppendedText(std::int64_t newRows) {
    return "服务器数据库新增" + std::to_string(newRows) + "条记录。";
}

CommandOutcome saveLiveDocumentAs(const LiveDocument& document, const std::filesystem::path& path,
                                  const TemplateLocator& templates) {
    const ExportSource source = liveExportSource(document);
    switch (saveFormatFor(path)) {
        case SaveFormat::LoggerDataFile:
            return fromWrite(writeLoggerDataFile(path, document.channels), path);
        case SaveFormat::Database:
            return fromDatabase(exportDatabase(source, path, templates), path);
        case SaveFormat::CommaSeparated:
            return fromWrite(exportCsv(source, path), path);
        case SaveFormat::WordText:
            return fromWrite(exportText(source, TextLayout::Document, path), path);
        case SaveFormat::PlainText:
            return fromWrite(exportText(source, TextLayout::Text, path), path);
    }
    return fromWrite(WriteResult{false, "unknown kind of file"}, path);
}

CommandOutcome appendLiveDocumentToDatabase(const LiveDocument& document, const std::string& name,
                                            const TemplateLocator& templates) {
    return fromDatabase(appendDatabase(liveExportSource(document), name, templates),
                        pathFromText(name));
}

}  // namespace tarvo
