#pragma once
// Editing the parameters in place: a double-click on an editable row of the property
// list opens the editor of its key, preset with the row's value; leaving the editor
// commits it: the value is checked, written into the row and the parameter record,
// derived times are recomputed and rows may be added, removed, or made editable or
// read-only. Nothing is sent to the logger here.
//
// The window keeps one PropertyEditor while an editor is shown, copies the control's
// state back into it (text, selection, time, check marks) and calls commitEditor
// when the control loses the focus. The rows of the list are changed in place; the
// window repaints them afterwards.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/codecs.h"
#include "core/date_time.h"
#include "core/logger_parameters.h"
#include "core/messenger.h"
#include "workstation/property_rows.h"

namespace tarvo {

class HistoryDocument;

inline constexpr std::string_view kIntervalTooShort = "记录间隔不得小于2秒";
inline constexpr std::string_view kSavingIntervalTooShort = "省电模式下,记录间隔不得小于10秒";
inline constexpr std::string_view kInputErrorTitle = "输入错误";
inline constexpr std::string_view kTimedStartTooLate = "您输入的时间太大";

// Label and value of an alarm-limit row whose channel has no alarm checking.
inline constexpr Rgb kAlarmDimmedColour = rgb(167, 152, 102);

// The date-time pickers' custom formats and ranges.
inline constexpr std::string_view kDateTimePickerFormat = "yyy-MM-dd HH:mm:ss";
inline constexpr std::string_view kTimePickerFormat = "HH:mm:ss";

enum class EditorKind {
    None,
    TextBox,         // user name, title: at most maxLength characters
    NumberBox,       // stop count, alarm limits: the typing rule of numberBoxText
    DropDown,        // start mode, power mode
    DateTimePicker,  // logger clock, timed start, timed stop
    TimePicker,      // interval, start delay (durations on day 0)
    CheckTree,       // stop mode, alarm channels
};

struct CheckNode {
    std::string key;
    std::string text;
    bool checked = false;
    bool operator==(const CheckNode&) const = default;
};

// One inline editor and, while it is shown, the state of its control.
struct PropertyEditor {
    EditorKind kind = EditorKind::None;
    std::string control;  // "Text用户名", "DT间隔时间", "Tree停止方式", …
    std::string key;      // the key of the row it covers
    int row = -1;         // editedRow: the row's position in the list when it opened
    int channel = -1;     // editedChannel: 0..7 for the per-channel keys

    // Text and number boxes.
    std::string text;
    int maxLength = 0;  // characters admitted (UTF-16 code units); 0: any
    // Drop-down lists: the entries and the selected position (-1: none).
    std::vector<std::string> items;
    int selected = -1;
    // Pickers.
    std::string format;
    DateTime minimum = 0;
    DateTime maximum = 0;
    DateTime time = 0;
    // Trees.
    std::vector<CheckNode> nodes;
    bool singleChoice = false;  // checking a node clears the others (stop mode)
};

// What the editors work on. `rows` is the list the pane shows; `fileView` is set
// while it lists `fileParams`. `activeHistory` is the document of the active history
// window, if the active child is one. `now` is the PC time.
struct EditSession {
    LoggerParameters& loggerParams;
    LoggerParameters& fileParams;
    std::vector<PropertyRow>& rows;
    bool fileView = false;
    Viewer viewer;
    DateTime now = 0;
    HistoryDocument* activeHistory = nullptr;
};

// The double-click on row `rowIndex`: the editor of its key, placed over it and preset,
// or nothing when the list is empty, the row does not exist, its key is empty or
// names no editor, or the row is read-only.
std::optional<PropertyEditor> openEditor(const EditSession& session, int rowIndex);

// The editor for a row key preset from `cellText` (nothing for a key without one).
std::optional<PropertyEditor> editorForKey(const std::string& key, const std::string& cellText,
                                           const LoggerParameters& params, DateTime now);

// The text a number box holds after the operator changed it to `typed`; `lastGoodText`
// is its text before the key press. A text that is not a number the record can hold
// (an alarm limit -32768..32767, the stop count up to 65535) gives `lastGoodText` back; an accepted number is written back in plain decimal
// (halves rounded to even); the stop count turns 0 or less into 1; an alarm limit
// may be a lone "-" while it is typed.
std::string numberBoxText(const PropertyEditor& editor, std::string_view typed,
                          std::string_view lastGoodText);

// The operator checked node `index` of a single-choice tree: every other node loses
// its check mark.
void checkTreeNode(PropertyEditor& editor, int index);

struct CommitResult {
    bool applied = true;             // false: the record and the rows are unchanged
    std::optional<Message> message;  // a refusal to show (OK button)
};

// Leaving the editor: checks, writes the row and the record, and runs the follow-up
// rules of its key. The editor is hidden afterwards whatever the result.
CommitResult commitEditor(EditSession& session, const PropertyEditor& editor);

// The steps of the stop-time computation on loggerParams, in the order they run.
enum class StopStep {
    StartTime = 1,  // the logger's start time from its start mode
    CountStop,      // the count stop, when the logger stops by count
    FullStop,       // the memory-full stop, when it stops on a full memory
    FirstStop,      // the first of the configured stops …
    ExpectedStop,   // … becomes the expected stop time
    StopModeRow,    // the stop-mode row names the condition that stops the logger first
};

// Runs the steps `first` to `last` of the stop-time computation.
void recomputeStopTimes(EditSession& session, StopStep first = StopStep::StartTime,
                        StopStep last = StopStep::StopModeRow);

// Write the value cell of the row with that key / mark it; false when it is absent.
bool setRowValue(std::vector<PropertyRow>& rows, std::string_view key, std::string text);
bool setRowEditable(std::vector<PropertyRow>& rows, std::string_view key, bool editable);

// ---- the command line's `restart --set NAME=VALUE` -------------------------------

enum class SetEditStatus {
    Applied,
    Refused,     // the editor's check (or the pane) refuses it: a failure
    UsageError,  // the name is not listed or the value does not parse
};

struct SetEditResult {
    SetEditStatus status = SetEditStatus::Applied;
    std::string message;  // the refusal or the usage error
};

// One edit, as if the row of `name` had been edited in the property pane at `now` by
// a user logged in at level 255: the same presets, checks and commit rules. Names are
// the record members userName, title, loggerClock, timedStartTime, timedStopTime
// ("YYYY-MM-DD HH:MM:SS"), interval, startDelay ("HH:MM:SS"), startMode (1..4), stopMode
// (bit sum 0..7), powerMode (0 or 128), stopCount, alarmChannels (mask 0..255),
// alarmLow[i], alarmHigh[i] (i = 0..7). An edit of a row the pane shows read-only at that
// moment, or a check mark the logger's tree does not offer, is refused as well.
SetEditResult applySetEdit(LoggerParameters& params, std::string_view name, std::string_view value,
                           DateTime now);

}  // namespace tarvo
