#include "files/database_export.h"

#include <unistd.h>

#include <array>
#include <system_error>
#include <utility>

#include "files/atomic_file.h"
#include "files/database_rows.h"
#include "files/file_names.h"
#include "files/logger_data_file.h"
#include "files/server_sink.h"
#include "files/sqlite_sink.h"

namespace tarvo {

namespace {

// Copies the template to a fresh temporary name beside `path`, which it returns
// (empty on failure, with the reason in `error`). Whatever a failed copy left is removed.
std::filesystem::path copyTemplateBeside(const std::filesystem::path& templatePath,
                                         const std::filesystem::path& path, std::string& error) {
    constexpr unsigned kAttempts = 100;
    for (unsigned attempt = 0; attempt < kAttempts; ++attempt) {
        const std::filesystem::path temp = temporaryPathBeside(path, attempt);
        std::error_code ec;
        if (std::filesystem::exists(temp, ec)) continue;
        if (std::filesystem::copy_file(templatePath, temp, std::filesystem::copy_options::none,
                                       ec)) {
            return temp;
        }
        if (ec == std::errc::file_exists) continue;  // taken meanwhile: another name
        // Name whichever end is at fault: the target's folder or the template.
        const std::filesystem::path folder = path.parent_path();
        std::error_code folderError;
        std::error_code templateError;
        if (!folder.empty() && !std::filesystem::is_directory(folder, folderError))
            error = "cannot create " + pathText(path) + ": no such folder " + pathText(folder);
        else if (!std::filesystem::is_regular_file(templatePath, templateError))
            error = "cannot copy the template " + pathText(templatePath) + ": " + ec.message();
        else
            error = "cannot create " + pathText(path) + ": " + ec.message();
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return {};
    }
    error = "cannot copy the template beside " + pathText(path);
    return {};
}

bool fileExists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// Opens `path` and writes into it. With `copyFrom` the rows go into a copy of the
// template under a temporary name, which takes the name `path` only once they are all
// in: a failure (a full disk among others) leaves no file of that name behind.
SinkResult writeDatabaseFile(const DatabaseRows& rows, const std::filesystem::path& path,
                             const std::optional<std::filesystem::path>& copyFrom,
                             bool withConfiguration) {
    // An existing database that is write-protected is refused like any other file.
    if (!copyFrom && writeProtected(path)) {
        return SinkResult{SinkFailure::Write,
                          pathText(path) + ": cannot write a write-protected file", 0};
    }
    std::filesystem::path target = path;
    if (copyFrom) {
        std::string error;
        target = copyTemplateBeside(*copyFrom, path, error);
        if (target.empty()) return SinkResult{SinkFailure::Write, std::move(error), 0};
    }
    SinkResult result;
    {
        SqliteSink sink(target);
        result = sink.write(rows, withConfiguration);
    }
    if (result.ok() && copyFrom) {
        std::error_code ec;
        std::filesystem::rename(target, path, ec);
        if (ec) {
            result = SinkResult{SinkFailure::Write,
                                "cannot name the database " + pathText(path) + ": " + ec.message(),
                                0};
        }
    }
    if (!result.ok() && copyFrom) {
        std::error_code ec;
        std::filesystem::remove(target, ec);
    }
    if (!result.ok()) result.error = pathText(path) + ": " + result.error;
    return result;
}

DatabaseResult failed(std::string reason, std::optional<Message> message,
                      std::filesystem::path path, std::string targetText) {
    DatabaseResult result;
    result.reason = std::move(reason);
    result.message = std::move(message);
    result.path = std::move(path);
    result.targetText = std::move(targetText);
    return result;
}

DatabaseResult missingTemplate(const TemplateLocator& templates, std::filesystem::path path) {
    const std::filesystem::path expected = templates.expectedPath();
    std::string text = pathText(path);
    return failed("the template database " + pathText(expected) + " is missing",
                  missingTemplateMessage(expected), std::move(path), std::move(text));
}

DatabaseResult succeeded(const SaveTarget& target, std::int64_t newRows) {
    DatabaseResult result;
    result.ok = true;
    result.path = target.isServer() ? std::filesystem::path() : target.path();
    result.targetText = target.displayText();
    result.newRows = newRows;
    return result;
}

Message invalidNameMessage() {
    return Message{kInvalidDatabaseNameMessage, "", MessageIcon::None, MessageButtons::Ok};
}

// What the append shows for a failed write.
Message appendFailureMessage(const SinkResult& r, const SaveTarget& target) {
    switch (r.failure) {
        case SinkFailure::Unreachable:
            if (!target.isServer()) break;
            return Message{
                kServerUnreachablePrefix + target.displayText() + kServerUnreachableSuffix,
                "错误！", MessageIcon::Warning, MessageButtons::Ok};
        case SinkFailure::LoginRefused:
            return Message{kServerLoginRefusedMessage, "错误！", MessageIcon::Warning,
                           MessageButtons::Ok};
        default:
            break;
    }
    return invalidNameMessage();
}

}  // namespace

Message missingTemplateMessage(const std::filesystem::path& templatePath) {
    return Message{"默认文件不存在，请检查" + pathText(templatePath) + "是否存在。", "错误！",
                   MessageIcon::Warning, MessageButtons::Ok};
}

std::string defaultLineName(std::string_view port) {
    std::array<char, 256> host{};
    std::string line = gethostname(host.data(), host.size() - 1) == 0 ? host.data() : "";
    if (line.empty()) line = "localhost";
    if (!port.empty()) {
        line += ':';
        line += port;
    }
    return line;
}

DatabaseResult exportDatabase(const ExportSource& source, const std::filesystem::path& path,
                              const TemplateLocator& templates) {
    // The template is required even when the database exists already.
    const auto templatePath = templates.find();
    if (!templatePath) return missingTemplate(templates, path);

    const RowsResult rows = databaseRows(source);
    if (!rows.rows) return failed(rows.error, std::nullopt, path, pathText(path));
    const auto copyFrom = fileExists(path) ? std::nullopt : templatePath;
    const SinkResult written = writeDatabaseFile(*rows.rows, path, copyFrom, true);
    if (!written.ok()) return failed(written.error, std::nullopt, path, pathText(path));
    return succeeded(SaveTarget::file(path), written.newRows);
}

DatabaseResult appendDatabase(const ExportSource& source, const std::string& name,
                              const TemplateLocator& templates, std::string_view line) {
    if (name.empty()) return failed("no file name", invalidNameMessage(), {}, {});
    if (isServerUri(name)) return appendDatabase(source, SaveTarget::server(name), templates, line);
    std::string fullName = name;
    if (fileKind(pathFromText(name)) != "mdb") fullName += ".mdb";
    return appendDatabase(source, SaveTarget::file(pathFromText(fullName)), templates, line);
}

DatabaseResult appendDatabase(const ExportSource& source, const SaveTarget& target,
                              const TemplateLocator& templates, std::string_view line) {
    const std::filesystem::path path = target.isServer() ? std::filesystem::path() : target.path();
    const RowsResult rows = databaseRows(source);
    if (!rows.rows) return failed(rows.error, invalidNameMessage(), path, target.displayText());

    SinkResult written;
    if (target.isServer()) {
        ServerSink sink(target.uri(), line.empty() ? defaultLineName("") : std::string(line));
        written = sink.write(*rows.rows, false);
        if (!written.ok()) written.error = target.displayText() + ": " + written.error;
    } else {
        std::optional<std::filesystem::path> copyFrom;
        if (!fileExists(path)) {
            copyFrom = templates.find();
            if (!copyFrom) return missingTemplate(templates, path);
        }
        written = writeDatabaseFile(*rows.rows, path, copyFrom, false);
    }
    if (!written.ok())
        return failed(written.error, appendFailureMessage(written, target), path,
                      target.displayText());
    return succeeded(target, written.newRows);
}

DatabaseResult exportDatabase(HistoryDocument& document, const std::filesystem::path& path,
                              const TemplateLocator& templates) {
    prepareForWriting(document);
    return exportDatabase(ExportSource{document.channels, ExportOrigin::History}, path, templates);
}

}  // namespace tarvo
