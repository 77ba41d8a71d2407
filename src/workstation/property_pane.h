#pragma once
// The property pane as state: its tab strip, the selected tab, the listed rows, the
// title, whether it shows the file properties, its visibility and the command
// window. The window draws exactly this; the rows come from property_rows.

#include <string>
#include <string_view>
#include <vector>

#include "core/date_time.h"
#include "core/logger_parameters.h"
#include "workstation/command_enabling.h"
#include "workstation/property_rows.h"

namespace tarvo {

inline constexpr std::string_view kFilePaneTitle = "文件属性";
inline constexpr std::string_view kPaneHint = "灰色属性为只读属性；黑色属性双击进行设置。";
inline constexpr std::string_view kHidePaneTooltip = "隐藏属性栏";
inline constexpr std::string_view kWriteButtonCaption = "确定";
inline constexpr std::string_view kNameColumn = "名称";
inline constexpr std::string_view kValueColumn = "值";
inline constexpr int kNameColumnTwips = 1800;
inline constexpr int kValueColumnTwips = 2100;

// What a tab fill lists from.
struct PaneSources {
    LoggerParameters& loggerParams;
    LoggerParameters& fileParams;
    bool paramsAvailable = false;
    Viewer viewer;
};

class PropertyPane {
  public:
    PropertyPane();

    // The tab strip anew for a user level (0 when nobody is logged in); the first
    // tab is selected.
    void rebuildTabs(int level);
    // Selects a tab of the strip; false (nothing changes) for a tab it does not hold.
    bool selectTab(PropertyTab tab);

    // The tab click: shows the pane; lists the file properties when they were
    // requested, else the logger's rows of the selected tab (nothing while no
    // parameters are available). The normalising texts may repair the records.
    void tabClick(const PaneSources& sources);

    // The file-properties button asks for them; the next tab click lists them.
    void requestFileProperties() { fileRequested_ = true; }
    // After the file properties were listed: the title reads "文件属性".
    void showFileTitle() { title_ = kFilePaneTitle; }
    // The enabling rule's title ("记录仪属性" or "记录仪属性*").
    void setTitle(std::string title) { title_ = std::move(title); }

    // The command window's text (the hex echo of the last frame sent).
    void setCommandText(std::string text) { commandText_ = std::move(text); }
    // The new logger clock in the row "记录仪时钟", when it is listed. Returns
    // whether a row changed.
    bool showLoggerClock(DateTime clock);

    void setVisible(bool visible) { visible_ = visible; }

    const std::vector<std::string>& tabs() const { return tabs_; }
    PropertyTab selectedTab() const { return selected_; }
    const std::vector<PropertyRow>& rows() const { return rows_; }
    // The inline editors change rows in place (a committed value, a row added or
    // made editable).
    std::vector<PropertyRow>& editableRows() { return rows_; }
    const std::string& title() const { return title_; }
    bool fileView() const { return fileView_; }
    bool filePropertiesRequested() const { return fileRequested_; }
    bool visible() const { return visible_; }
    bool commandWindowVisible() const { return commandWindowVisible_; }
    const std::string& commandText() const { return commandText_; }

  private:
    std::vector<std::string> tabs_;
    PropertyTab selected_ = PropertyTab::Basic;
    std::vector<PropertyRow> rows_;
    std::string title_{kLoggerPaneTitle};
    bool fileView_ = false;
    bool fileRequested_ = false;
    bool visible_ = true;
    bool commandWindowVisible_ = false;
    std::string commandText_;
};

}  // namespace tarvo
