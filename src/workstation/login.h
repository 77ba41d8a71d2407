#pragma once
// The built-in accounts and their user levels. Nothing is stored: a login lasts
// until logout or the end of the program, which starts with nobody logged in.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "workstation/property_rows.h"

namespace tarvo {

inline constexpr std::string_view kLoginFailedMessage = "用户名无效或密码错误，请重新输入。";

struct Account {
    std::string_view name;
    std::string_view password;
    std::uint8_t level;
};

// Names and passwords compare exactly, letter case included. The last account,
// empty name and password, logs in without a name at level 0.
const std::array<Account, 6>& builtInAccounts();

// What the login dialog reports when it closes (its OK, UserName and UserWeight).
struct LoginAttempt {
    bool ok = false;
    std::string userName;
    std::uint8_t userWeight = 0;
};

// Looks the entered pair up: a match gives ok, the name as entered and the level;
// anything else gives not ok, an empty name and level 0.
LoginAttempt checkLogin(std::string_view name, std::string_view password);

// "    [厂家用户]", "    [高级用户]", "    [一般用户]" or "    [无用户]" (the four
// leading spaces belong to the text).
std::string levelName(int level);
// The status bar's login text: "当前用户:" + the name + the level name.
std::string loginStatusText(bool loggedIn, std::string_view name, int level);

struct LoginState {
    bool loggedIn = false;
    std::string currentUserName;
    std::uint8_t userLevel = 0;

    // A successful attempt replaces any previous login; a failed one changes nothing.
    void apply(const LoginAttempt& attempt);
    void logout();
    std::string statusText() const { return loginStatusText(loggedIn, currentUserName, userLevel); }
    Viewer viewer() const { return Viewer{loggedIn, userLevel}; }
};

}  // namespace tarvo
