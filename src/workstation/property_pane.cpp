#include "workstation/property_pane.h"

#include <algorithm>

namespace tarvo {

PropertyPane::PropertyPane() {
    rebuildTabs(0);
}

void PropertyPane::rebuildTabs(int level) {
    tabs_ = propertyTabsForLevel(level);
    selected_ = PropertyTab::Basic;
}

bool PropertyPane::selectTab(PropertyTab tab) {
    const auto position = static_cast<std::size_t>(tab);
    if (position < 1 || position > tabs_.size()) return false;
    selected_ = tab;
    return true;
}

void PropertyPane::tabClick(const PaneSources& sources) {
    visible_ = true;
    if (fileRequested_) {
        fileRequested_ = false;
        rows_ = filePropertyRows(sources.fileParams, sources.viewer);
        fileView_ = true;
        // The file properties are not to be hidden behind the command window.
        commandWindowVisible_ = false;
        return;
    }
    fileView_ = false;
    if (!sources.paramsAvailable) return;
    commandWindowVisible_ = false;
    title_ = kLoggerPaneTitle;
    if (selected_ == PropertyTab::Command) {
        // The command window lies over the list, which keeps its rows.
        commandWindowVisible_ = true;
        return;
    }
    rows_ = loggerPropertyRows(sources.loggerParams, selected_, sources.viewer);
}

bool PropertyPane::showLoggerClock(DateTime clock) {
    const auto it = std::find_if(rows_.begin(), rows_.end(),
                                 [](const PropertyRow& r) { return r.key == "记录仪时钟"; });
    if (it == rows_.end()) return false;
    it->value = dateTimeText(clock);
    return true;
}

}  // namespace tarvo
