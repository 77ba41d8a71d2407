#include "workstation/document_flows.h"

#include <utility>

#include "core/messenger.h"
#include "data/history_document.h"
#include "files/file_names.h"
#include "workstation/command_enabling.h"
#include "workstation/document_commands.h"
#include "workstation/workstation.h"

namespace tarvo {

namespace {

// The history window showing the file `path` (the same file, however it is named), if any.
std::optional<int> windowShowing(const Workstation& workstation,
                                 const std::filesystem::path& path) {
    const auto& windows = workstation.documents();
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const HistoryDocument& shown = windows[i]->document;
        if (windows[i]->kind == kHistoryWindowTag && !shown.fileName.empty() &&
            sameFile(pathFromText(shown.fileName), path))
            return static_cast<int>(i);
    }
    return std::nullopt;
}

// Reads the file again into the window. The file is read aside first, so a file that
// has become unreadable leaves the window's document as it was.
bool reload(Workstation& workstation, int index, const std::filesystem::path& path) {
    HistoryDocument* document = workstation.document(index);
    if (!document) return false;
    HistoryDocument fresh;
    const CommandOutcome read = openDocumentFile(fresh, fullPath(path), kDefaultPlotWidthTwips);
    if (!read) {
        if (read.message) workstation.messenger().show(*read.message);
        return false;
    }
    *document = std::move(fresh);
    return true;
}

void report(Workstation& workstation, const CommandOutcome& outcome) {
    if (!outcome && outcome.message) workstation.messenger().show(*outcome.message);
}

}  // namespace

FileDialogRequest historySaveDialog(std::string_view filePathSetting) {
    FileDialogRequest r;
    r.title = kSaveDialogTitle;
    r.filter = kSaveDialogFilter;
    r.folder = filePathSetting;
    r.proposedName = kProposedSaveName;
    r.confirmOverwrite = true;
    r.promptCreate = true;
    return r;
}

FileDialogRequest historyDatabaseDialog() {
    FileDialogRequest r;
    r.title = kDatabaseDialogTitle;
    r.filter = kDatabaseDialogFilter;
    r.promptCreate = true;
    return r;
}

FileDialogRequest liveSaveDialog() {
    FileDialogRequest r;
    r.title = kSaveDialogTitle;
    r.filter = kSaveDialogFilter;
    r.confirmOverwrite = true;
    r.promptCreate = true;
    return r;
}

FileDialogRequest liveDatabaseDialog() {
    FileDialogRequest r;
    r.title = kDatabaseDialogTitle;
    r.filter = kDatabaseDialogFilter;
    r.mustExist = true;
    return r;
}

std::optional<Message> createPrompt(const FileDialogRequest& request, const std::string& name) {
    if (!request.promptCreate || name.empty()) return std::nullopt;
    std::error_code error;
    if (std::filesystem::exists(pathFromText(name), error)) return std::nullopt;
    return Message{name + "\n" + std::string(kCreatePromptQuestion), request.title,
                   MessageIcon::Question, MessageButtons::YesNo};
}

OpenSelection splitOpenDialogResult(std::string_view returned) {
    OpenSelection selection;
    if (returned.empty()) return selection;
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    while (true) {
        const std::size_t nul = returned.find('\0', from);
        parts.push_back(returned.substr(from, nul - from));
        if (nul == std::string_view::npos) break;
        from = nul + 1;
    }
    if (parts.size() == 1) {
        selection.paths.push_back(pathFromText(parts.front()));
    } else if (parts.size() == 2) {
        selection.malformed = true;
    } else {
        const std::filesystem::path folder = pathFromText(parts.front());
        for (std::size_t i = 1; i < parts.size(); ++i) {
            // A trailing NUL leaves an empty name behind it, which names no file.
            if (!parts[i].empty()) selection.paths.push_back(folder / pathFromText(parts[i]));
        }
    }
    return selection;
}

OpenFlowResult openFiles(Workstation& workstation,
                         const std::vector<std::filesystem::path>& paths) {
    OpenFlowResult result;
    for (const std::filesystem::path& path : paths) {
        if (const auto shown = windowShowing(workstation, path)) {
            const Answer answer = workstation.messenger().ask(std::string(kAlreadyOpenQuestion),
                                                              std::string(kAlreadyOpenTitle));
            if (answer == Answer::Yes && reload(workstation, *shown, path))
                result.reloaded.push_back(*shown);
            continue;
        }
        if (const auto opened = workstation.openDocument(path)) result.opened.push_back(*opened);
    }
    workstation.runEnabling();
    return result;
}

OpenFlowResult openDialogResult(Workstation& workstation, std::string_view returned) {
    const OpenSelection selection = splitOpenDialogResult(returned);
    if (selection.malformed) {
        workstation.messenger().show({std::string(kBadOpenNameMessage),
                                      std::string(kBadOpenNameTitle), MessageIcon::Warning,
                                      MessageButtons::Ok});
        workstation.runEnabling();
        return {};
    }
    return openFiles(workstation, selection.paths);
}

bool saveHistoryWindowAs(Workstation& workstation, int index, DocumentDialogs& dialogs) {
    if (!workstation.document(index)) return false;
    const auto name = dialogs.askFileName(historySaveDialog(workstation.settings().FilePath));
    if (!name || name->empty()) return false;
    // The dialog is modal, yet the window may have gone meanwhile: look it up again.
    HistoryDocument* document = workstation.document(index);
    if (!document) return false;
    const CommandOutcome saved =
        saveDocumentAs(*document, pathFromText(*name), workstation.templates());
    report(workstation, saved);
    return saved.ok;
}

bool appendHistoryWindowToDatabase(Workstation& workstation, int index, DocumentDialogs& dialogs) {
    if (!workstation.document(index)) return false;
    const auto name = dialogs.askFileName(historyDatabaseDialog());
    if (!name) return false;
    HistoryDocument* document = workstation.document(index);
    if (!document) return false;
    const CommandOutcome appended =
        appendDocumentToDatabase(*document, *name, workstation.templates());
    report(workstation, appended);
    return appended.ok;
}

bool saveLiveWindowAs(Workstation& workstation, DocumentDialogs& dialogs) {
    const auto name = dialogs.askFileName(liveSaveDialog());
    if (!name || name->empty()) return false;
    const CommandOutcome saved = saveLiveDocumentAs(workstation.liveDocument(), pathFromText(*name),
                                                    workstation.templates());
    report(workstation, saved);
    return saved.ok;
}

bool appendLiveWindowToDatabase(Workstation& workstation, DocumentDialogs& dialogs) {
    const auto name = dialogs.askFileName(liveDatabaseDialog());
    if (!name) return false;
    const CommandOutcome appended =
        appendLiveDocumentToDatabase(workstation.liveDocument(), *name, workstation.templates());
    report(workstation, appended);
    return appended.ok;
}

SaveFlowOutcome saveFlow(Workstation& workstation, DocumentDialogs& dialogs) {
    const ActiveChild active = workstation.activeChild();
    const std::optional<SaveType> choice = dialogs.chooseSaveType();
    SaveFlowOutcome outcome = SaveFlowOutcome::Cancelled;
    if (choice) {
        switch (active.kind) {
            case ChildKind::History:
                if (*choice == SaveType::Database) {
                    outcome = appendHistoryWindowToDatabase(workstation, active.index, dialogs)
                                  ? SaveFlowOutcome::HistoryAppended
                                  : SaveFlowOutcome::NotSaved;
                } else {
                    outcome = saveHistoryWindowAs(workstation, active.index, dialogs)
                                  ? SaveFlowOutcome::HistorySaved
                                  : SaveFlowOutcome::NotSaved;
                }
                break;
            case ChildKind::Live:
                if (*choice == SaveType::Database) {
                    outcome = appendLiveWindowToDatabase(workstation, dialogs)
                                  ? SaveFlowOutcome::LiveAppended
                                  : SaveFlowOutcome::NotSaved;
                } else {
                    outcome = saveLiveWindowAs(workstation, dialogs) ? SaveFlowOutcome::LiveSaved
                                                                     : SaveFlowOutcome::NotSaved;
                }
                break;
            case ChildKind::None:
                outcome = SaveFlowOutcome::NoWindow;
                break;
        }
    }
    workstation.runEnabling();
    return outcome;
}

bool historyWindowMayClose(Workstation& workstation, int index, DocumentDialogs& dialogs) {
    const HistoryDocument* document = workstation.document(index);
    if (!document || !closeNeedsQuestion(*document)) return true;
    const Answer answer = workstation.messenger().show({unsavedChangesQuestion(*document),
                                                        {},
                                                        MessageIcon::Question,
                                                        MessageButtons::YesNoCancel});
    switch (answer) {
        case Answer::Yes:
            return saveHistoryWindowAs(workstation, index, dialogs);
        case Answer::No:
            return true;
        default:
            return false;
    }
}

}  // namespace tarvo
