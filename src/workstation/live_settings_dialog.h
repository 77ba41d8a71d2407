#pragma once
// What the live sampling dialog (dlgReal) decides, apart from its widgets: the period
// of the live requests as a time of day, automatic saving and its folder. The window
// builds the widgets from these texts and hands the operator's actions to
// LiveSettingsDialog.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/messenger.h"
#include "core/settings.h"

namespace tarvo {

inline constexpr std::string_view kLiveDialogCaption = "实时采样间隔设置";
// DT采样时间: a time of day, custom format, within these limits (in seconds).
inline constexpr std::string_view kLiveIntervalFormat = "HH:mm:ss";
inline constexpr int kMinLiveIntervalSeconds = 10;     // 00:00:10
inline constexpr int kMaxLiveIntervalSeconds = 86399;  // 23:59:59
inline constexpr std::string_view kLiveIntervalMinText = "00:00:10";
inline constexpr std::string_view kLiveIntervalMaxText = "23:59:59";
// The explanation beside the picker, line by line.
inline constexpr std::array<std::string_view, 4> kLiveDialogExplanation = {
    "说明：",
    "该值不得小于\"00:00:10\"或大于\"23:59:59\"。",
    "如果小于10秒，将自动设置为10秒。",
    "如果大于24小时，将自动设置为24小时。",
};
inline constexpr std::string_view kAutoSaveCaption = "自动保存";     // Check1
inline constexpr std::string_view kSaveFolderCaption = "保存路径:";  // before Label2
inline constexpr std::string_view kChooseFolderCaption = "选择";     // Command1
inline constexpr std::string_view kFolderBrowserTitle = "请选择保存路径：";
inline constexpr std::string_view kNoSaveFolderMessage = "请选择保存路径.";

// AutoSave as cmdOK stores it: on with a folder, off.
inline constexpr std::int16_t kAutoSaveOn = 10;
inline constexpr std::int16_t kAutoSaveOff = -10;

class LiveSettingsDialog {
  public:
    // Loading: the picker shows RealInterval as hours:minutes:seconds (brought into
    // the picker's limits), Check1 is ticked when AutoSave > 0, Label2 shows FilePath.
    explicit LiveSettingsDialog(const ProgramSettings& settings);

    // DT采样时间, in seconds since midnight, always within the limits.
    int intervalSeconds() const { return intervalSeconds_; }
    // "HH:mm:ss".
    std::string intervalText() const;
    // The operator set the picker: a time below 00:00:10 becomes 00:00:10, above
    // 23:59:59 becomes 23:59:59.
    void setInterval(int hours, int minutes, int seconds);

    // Check1.
    bool autoSave() const { return autoSave_; }
    void setAutoSave(bool ticked) { autoSave_ = ticked; }

    // Label2.
    const std::string& folder() const { return folder_; }
    // Command1's folder browser returned: the chosen folder's path, cut at its first
    // NUL character, or nothing when the operator cancelled, which empties Label2.
    void folderChosen(const std::optional<std::string>& path);

    // cmdOK. With Check1 ticked and no folder: returns the message "请选择保存路径."
    // and the dialog stays open, nothing changed. Otherwise FilePath = Label2 and
    // AutoSave = 10 (ticked), or AutoSave = -10 with FilePath kept (not ticked);
    // RealInterval = the picker's seconds; the settings are saved to `store`; OK is
    // set and the dialog is hidden; returns nothing.
    std::optional<Message> accept(ProgramSettings& settings, SettingsStore& store,
                                  const DisplayNames& names);
    // cmdCancel: OK cleared, the dialog hidden, nothing changed.
    void cancel();

    bool ok() const { return ok_; }
    bool visible() const { return visible_; }

  private:
    int intervalSeconds_ = kMinLiveIntervalSeconds;
    bool autoSave_ = false;
    std::string folder_;
    bool ok_ = false;
    bool visible_ = true;
};

}  // namespace tarvo
