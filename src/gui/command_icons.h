#pragma once
// The toolbar buttons' pictures, drawn here rather than shipped as files: one
// picture per button key ("fileOpen", "ToolLink" …), sharp at any scale.

#include <QIcon>

#include <string_view>

namespace tarvo::gui {

// The picture of a toolbar button; a null icon for an unknown key.
QIcon commandIcon(std::string_view toolbarKey);
// The main window's own picture: a small curve chart.
QIcon programIcon();

}  // namespace tarvo::gui
