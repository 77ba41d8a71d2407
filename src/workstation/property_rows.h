#pragma once
// The rows of the property pane: which parameters are listed for a tab and a user
// level, in which order, with which value texts, and which of them may be edited.
// The pane and the command line both show exactly these rows.

#include <optional>
#include <string>
#include <vector>

#include "core/codecs.h"
#include "core/logger_parameters.h"

namespace tarvo {

enum class PropertyTab { Basic = 1, Advanced = 2, All = 3, Command = 4 };

// Tab captions a user level is offered, in order.
std::vector<std::string> propertyTabsForLevel(int level);
std::string propertyTabCaption(PropertyTab tab);

struct PropertyRow {
    std::string key;    // normally the label; "启动时间" and "间隔时间" differ
    std::string label;
    std::string value;
    bool bold = false;  // the logger clock
    bool readOnly = false;
    std::optional<Rgb> valueColour;  // set where the value has a colour of its own
};

inline constexpr Rgb kReadOnlyColour = rgb(103, 152, 102);
inline constexpr Rgb kRecordingColour = rgb(0, 0, 255);
inline constexpr Rgb kStoppedColour = rgb(255, 0, 0);

// Who is asking: the level counts only while somebody is logged in.
struct Viewer {
    bool loggedIn = false;
    int level = 0;
};

// Whether the logger clock row is left out for this logger.
bool clockRowSuppressed(const LoggerParameters& params);

// The rows of the logger's parameters for a tab (the command tab lists nothing).
// The normalising conversions may repair the record while it is listed.
std::vector<PropertyRow> loggerPropertyRows(LoggerParameters& params, PropertyTab tab,
                                            const Viewer& viewer);

// The rows of a history document's parameters ("文件属性").
std::vector<PropertyRow> filePropertyRows(LoggerParameters& params, const Viewer& viewer);

// Marks each row editable or read-only by its key (and colours the work status).
void applyReadOnlyMarking(std::vector<PropertyRow>& rows, const LoggerParameters& params,
                          const Viewer& viewer);
bool rowReadOnly(const std::string& key, const LoggerParameters& params, const Viewer& viewer);

}  // namespace tarvo
