#pragma once
// The device-name manager: the operator gives each of the 100 device addresses a
// display name of his own. The manager edits a working copy; only its OK commits
// the copy to the display names, which the settings store keeps at shutdown.

#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"

namespace tarvo {

inline constexpr std::string_view kDeviceNamesTitle = "配置管理";

// A text that is empty or only spaces names the address by its default
// ("记录仪" + address); any other text is the name exactly as typed.
std::string deviceNameRule(std::string_view text, int address);

// The device-address selector's entries: the display names in address order.
std::vector<std::string> selectorItems(const DisplayNames& names);

class DeviceNameManager {
  public:
    // The list's 100 entries; they always read the default names.
    static std::vector<std::string> listEntries();

    // The dialog comes up: the working names are a fresh copy of the display names
    // and the text box shows the selected address's name.
    void activate(const DisplayNames& displayNames);
    // The operator types into the text box.
    void setText(std::string text) { text_ = std::move(text); }
    // The text box is left: the selected address takes the name the rule gives.
    void leaveText();
    // An entry (address 1..100) is clicked: the text box is left first, then the
    // entry is selected and its working name shown. Other addresses are ignored.
    void clickEntry(int address);
    // OK: the text box is left, the display names become the working names.
    void accept(DisplayNames& displayNames);
    // Cancel: the working names are dropped (the next activation copies afresh).
    void cancel();

    const std::string& text() const { return text_; }
    int selectedAddress() const { return selected_; }
    const DisplayNames& workingNames() const { return working_; }

  private:
    DisplayNames working_;
    int selected_ = kFirstDisplayAddress;
    std::string text_ = DisplayNames::defaultName(kFirstDisplayAddress);
};

}  // namespace tarvo
