#include "gui/document_flows.h"
#include "gui/qt_text.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>

#include <filesystem>
#include <vector>

#include "files/file_names.h"
#include "gui/history_window.h"
#include "gui/message_box_messenger.h"
#include "gui/save_choice_dialog.h"
#include "workstation/workstation.h"

namespace tarvo::gui {

namespace {

// Qt's file dialog has no create prompt of its own: it is asked when a name is
// accepted, and No keeps the dialog open.
class SaveFileDialog : public QFileDialog {
  public:
    SaveFileDialog(QWidget* parent, const FileDialogRequest& request)
        : QFileDialog(parent, qs(request.title)), request_(request) {}

    void accept() override {
        const QStringList chosen = selectedFiles();
        if (!chosen.isEmpty() && !QFileInfo(chosen.front()).isDir()) {
            if (const auto question = createPrompt(request_, chosen.front().toStdString())) {
                MessageBoxMessenger boxes;
                boxes.setParent(this);
                if (boxes.show(*question) != Answer::Yes) return;
            }
        }
        QFileDialog::accept();
    }

  private:
    FileDialogRequest request_;
};

void refreshReloaded(Workstation& workstation, const OpenFlowResult& result, QWidget* parent) {
    for (const int index : result.reloaded) {
        if (HistoryWindow* window = findHistoryWindow(parent, workstation, index))
            window->documentReplaced();
    }
}

}  // namespace

QStringList qtNameFilters(std::string_view filter) {
    const QStringList parts = qs(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1].trimmed();
        if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        // The dialog is told to hide this part, so the text shows as the program has it.
        filters << parts[i] + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return filters;
}

std::optional<SaveType> QtDocumentDialogs::chooseSaveType() {
    SaveChoiceDialog dialog(parent_);
    dialog.exec();
    if (!dialog.confirmed()) return std::nullopt;
    return dialog.saveType();
}

std::optional<std::string> QtDocumentDialogs::askFileName(const FileDialogRequest& request) {
    SaveFileDialog dialog(parent_, request);
    dialog.setNameFilters(qtNameFilters(request.filter));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (request.mustExist) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    if (!request.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QString folder = qs(request.folder);
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) dialog.setDirectory(folder);
    if (!request.proposedName.empty()) dialog.selectFile(qs(request.proposedName));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    return chosen.front().toStdString();
}

HistoryWindow* findHistoryWindow(QWidget* parent, Workstation& workstation, int index) {
    if (index < 0) return nullptr;
    const auto matches = [&](HistoryWindow* w) {
        return &w->workstation() == &workstation && w->documentIndex() == index;
    };
    if (parent) {
        for (HistoryWindow* w : parent->findChildren<HistoryWindow*>())
            if (matches(w)) return w;
    }
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* w = qobject_cast<HistoryWindow*>(top); w && matches(w)) return w;
    }
    return nullptr;
}

void openFilesFlow(Workstation& workstation, QWidget* parent) {
    const QStringList names = QFileDialog::getOpenFileNames(
        parent, qs(kOpenDialogTitle), QString(), qtNameFilters(kOpenDialogFilter).join(";;"),
        nullptr, QFileDialog::HideNameFilterDetails);
    if (names.isEmpty()) return;  // cancelled
    openPathsFlow(workstation, names, parent);
}

void openPathsFlow(Workstation& workstation, const QStringList& paths, QWidget* parent) {
    std::vector<std::filesystem::path> files;
    files.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& name : paths) files.push_back(pathFromText(name.toStdString()));
    refreshReloaded(workstation, openFiles(workstation, files), parent);
}

void saveFlow(Workstation& workstation, QWidget* parent) {
    const ActiveChild active = workstation.activeChild();
    QtDocumentDialogs dialogs(parent);
    tarvo::saveFlow(workstation, dialogs);
    if (active.kind == ChildKind::History) {
        if (HistoryWindow* window = findHistoryWindow(parent, workstation, active.index))
            window->refreshCaption();
    }
}

}  // namespace tarvo::gui
