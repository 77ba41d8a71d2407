#pragma once
// The main window's document commands as flows over the workstation: open logger data
// files into history windows (several at once, asking before one that is already
// open is read again), save the active window through the save choice, save or
// append a history window, and the question before an unsaved window closes. The
// dialogs are asked through DocumentDialogs: the window shows Qt's, the tests script
// the answers.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/messenger.h"

namespace tarvo {

class Workstation;

// The open dialog.
inline constexpr std::string_view kOpenDialogTitle = "打开为...";
inline constexpr std::string_view kOpenDialogFilter = "记录仪文件(*.orx)|*.orx|所有格式|*.*";
inline constexpr std::string_view kBadOpenNameMessage = "输入文件路径有误！";
inline constexpr std::string_view kBadOpenNameTitle = "打开错误";
inline constexpr std::string_view kAlreadyOpenQuestion = "文件已打开，是否重新打开？";
inline constexpr std::string_view kAlreadyOpenTitle = "打开";

// The save dialog of SaveAs.
inline constexpr std::string_view kSaveDialogTitle = "保存为...";
inline constexpr std::string_view kSaveDialogFilter =
    "记录仪文件(*.orx)|*.orx|Access文件(*.mdb)|*.mdb|Excel文件(*.csv)|*.csv|"
    "Word文件(*doc)|*.doc|文本文件(*.txt)|*.txt";
inline constexpr std::string_view kProposedSaveName = "1";

// The file dialog of AddToDataBase.
inline constexpr std::string_view kDatabaseDialogTitle = "请输入数据文件路径...";
inline constexpr std::string_view kDatabaseDialogFilter = "Access文件(*.mdb)|*.mdb";

// The save choice dialog (dlgSave).
inline constexpr std::string_view kSaveChoiceTitle = "保存选择";
inline constexpr std::string_view kSaveChoicePrompt = "请选择保存数据方式";
inline constexpr std::string_view kSaveChoiceFile = "以文件方式保存";
inline constexpr std::string_view kSaveChoiceDatabase = "将数据附加到数据库";
inline constexpr std::string_view kSaveChoiceOk = "确定";
inline constexpr std::string_view kSaveChoiceCancel = "取消";

// Asked before a save dialog accepts a name that does not exist yet (after the name).
inline constexpr std::string_view kCreatePromptQuestion = "该文件不存在。\n要创建该文件吗？";

// SaveType of dlgSave: the index of the selected option.
enum class SaveType { File = 0, Database = 1 };

// A save-file dialog as the command shows it. The filter is given as pairs of a text
// and a pattern separated by "|" ("记录仪文件(*.orx)|*.orx|…").
struct FileDialogRequest {
    std::string title;
    std::string filter;
    std::string folder;             // where the dialog opens; empty: the current folder
    std::string proposedName;       // empty: none
    bool confirmOverwrite = false;  // ask before an existing file is replaced
    bool promptCreate = false;      // ask before a name that does not exist is accepted
    bool mustExist = false;         // accept only an existing file

    bool operator==(const FileDialogRequest&) const = default;
};

class DocumentDialogs {
  public:
    virtual ~DocumentDialogs() = default;
    // dlgSave: the chosen SaveType, nothing after "取消".
    virtual std::optional<SaveType> chooseSaveType() = 0;
    // A save-file dialog: the chosen name, nothing on Cancel.
    virtual std::optional<std::string> askFileName(const FileDialogRequest& request) = 0;
};

// The dialogs of SaveAs and AddToDataBase of a history window.
FileDialogRequest historySaveDialog(std::string_view filePathSetting);
FileDialogRequest historyDatabaseDialog();
// The same of the live-curve window: its save dialog opens in the current folder with
// no name proposed, and its database dialog accepts only an existing file.
FileDialogRequest liveSaveDialog();
FileDialogRequest liveDatabaseDialog();

// The question a save dialog asks before it accepts `name` (its title, Yes/No): due when
// the request asks for the create prompt and no file of that name exists. No keeps the
// dialog open for another name.
std::optional<Message> createPrompt(const FileDialogRequest& request, const std::string& name);

// What the open dialog returned, split at NUL characters: one name is one full path;
// a folder followed by two or more names gives folder/name for each, in order; exactly
// one NUL is malformed.
struct OpenSelection {
    std::vector<std::filesystem::path> paths;
    bool malformed = false;
};
OpenSelection splitOpenDialogResult(std::string_view returned);

struct OpenFlowResult {
    std::vector<int> opened;    // new history windows, as positions in documents()
    std::vector<int> reloaded;  // windows whose document was read again
};

// Opens the files in order. A file that a history window already shows (its file name
// equal to the path, letter case included) asks whether to read it again: Yes reads it
// into that window (a file that fails there leaves the window as it was), No skips it.
// Every other file opens in a new history window (a refused file opens none). The
// commands are enabled afresh at the end.
OpenFlowResult openFiles(Workstation& workstation, const std::vector<std::filesystem::path>& paths);
// The same from the open dialog's raw answer; a malformed one shows "输入文件路径有误！"
// (title "打开错误") and opens nothing.
OpenFlowResult openDialogResult(Workstation& workstation, std::string_view returned);

// SaveAs of the history window at `index`: the save dialog, then the save by the
// name's last three characters. True when the document was written (it then carries
// the name, the caption "记录仪文件:" + name and the saved flag); a failure is reported
// to the operator.
bool saveHistoryWindowAs(Workstation& workstation, int index, DocumentDialogs& dialogs);
// AddToDataBase of the history window at `index`: the database dialog, then the append.
bool appendHistoryWindowToDatabase(Workstation& workstation, int index, DocumentDialogs& dialogs);

// SaveAs of the live-curve window: its save dialog, then its buffer saved by the
// name's last three characters. The window keeps its caption; a failure is reported.
bool saveLiveWindowAs(Workstation& workstation, DocumentDialogs& dialogs);
// AddToDataBase of the live-curve window: its database dialog, then the append.
bool appendLiveWindowToDatabase(Workstation& workstation, DocumentDialogs& dialogs);

// What the save command did.
enum class SaveFlowOutcome {
    Cancelled,
    HistorySaved,
    HistoryAppended,
    LiveSaved,
    LiveAppended,
    NotSaved,
    NoWindow
};

// The save command: dlgSave, then SaveAs or AddToDataBase of the active window, history
// or live-curve. The commands are enabled afresh at the end.
SaveFlowOutcome saveFlow(Workstation& workstation, DocumentDialogs& dialogs);

// Closing the history window at `index`: a loaded document never saved asks
// "文档[caption]尚未保存，是否现在保存？". Yes saves and closes, unless the save was
// cancelled or failed (the window then stays, so nothing is lost); No closes; Cancel
// keeps the window. True when the window may close.
bool historyWindowMayClose(Workstation& workstation, int index, DocumentDialogs& dialogs);

}  // namespace tarvo
