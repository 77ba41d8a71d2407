#include "workstation/login.h"

#include <algorithm>

namespace tarvo {

namespace {

constexpr std::array<Account, 6> kAccounts = {{
    {"marvet", "sobrin", 255},
    {"Palto", "947", 255},
    {"qzd", "qzd", 255},
    {"lurvo", "lurvo", 20},
    {"gent", "", 10},
    {"", "", 0},
}};

}  // namespace

const std::array<Account, 6>& builtInAccounts() {
    return kAccounts;
}

LoginAttempt checkLogin(std::string_view name, std::string_view password) {
    const auto it = std::find_if(kAccounts.begin(), kAccounts.end(), [&](const Account& a) {
        return a.name == name && a.password == password;
    });
    if (it == kAccounts.end()) return {};
    return {true, std::string(name), it->level};
}

std::string levelName(int level) {
    if (level >= 255) return "    [厂家用户]";
    if (level >= 20) return "    [高级用户]";
    if (level >= 10) return "    [一般用户]";
    return "    [无用户]";
}

std::string loginStatusText(bool loggedIn, std::string_view name, int level) {
    if (!loggedIn) return "当前用户:" + levelName(0);
    return "当前用户:" + std::string(name) + levelName(level);
}

void LoginState::apply(const LoginAttempt& attempt) {
    if (!attempt.ok) return;
    loggedIn = true;
    currentUserName = attempt.userName;
    userLevel = attempt.userWeight;
}

void LoginState::logout() {
    loggedIn = false;
    currentUserName.clear();
    userLevel = 0;
}

}  // namespace tarvo
