#include "workstation/live_settings_dialog.h"

#include <algorithm>
#include <cstdio>

namespace tarvo {

namespace {

int withinLimits(long long seconds) {
    return static_cast<int>(
        std::clamp<long long>(seconds, kMinLiveIntervalSeconds, kMaxLiveIntervalSeconds));
}

}  // namespace

LiveSettingsDialog::LiveSettingsDialog(const ProgramSettings& settings)
    : intervalSeconds_(withinLimits(settings.RealInterval)),
      autoSave_(settings.AutoSave > 0),
      folder_(settings.FilePath) {}

std::string LiveSettingsDialog::intervalText() const {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", intervalSeconds_ / 3600,
                  intervalSeconds_ / 60 % 60, intervalSeconds_ % 60);
    return text;
}

void LiveSettingsDialog::setInterval(int hours, int minutes, int seconds) {
    intervalSeconds_ = withinLimits(static_cast<long long>(hours) * 3600 +
                                    static_cast<long long>(minutes) * 60 + seconds);
}

void LiveSettingsDialog::folderChosen(const std::optional<std::string>& path) {
    if (!path) {
        folder_.clear();
        return;
    }
    folder_ = path->substr(0, path->find('\0'));
}

std::optional<Message> LiveSettingsDialog::accept(ProgramSettings& settings, SettingsStore& store,
                                                  const DisplayNames& names) {
    if (autoSave_ && folder_.empty()) {
        return Message{
            std::string(kNoSaveFolderMessage), {}, MessageIcon::None, MessageButtons::Ok};
    }
    if (autoSave_) {
        settings.FilePath = folder_;
        settings.AutoSave = kAutoSaveOn;
    } else {
        settings.AutoSave = kAutoSaveOff;
    }
    settings.RealInterval = intervalSeconds_;
    saveSettings(store, settings, names);
    ok_ = true;
    visible_ = false;
    return std::nullopt;
}

void LiveSettingsDialog::cancel() {
    ok_ = false;
    visible_ = false;
}

}  // namespace tarvo
