#include "workstation/login.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

TEST(Login, AccountsMatchExactlyLetterCaseIncluded) {
    struct Row {
        const char* name;
        const char* password;
        bool ok;
        int level;
    };
    const Row rows[] = {
        {"marvet", "sobrin", true, 255}, {"Palto", "947", true, 255}, {"qzd", "qzd", true, 255},
        {"lurvo", "lurvo", true, 20},    {"gent", "", true, 10},      {"", "", true, 0},
        {"Qzd", "qzd", false, 0},        {"qzd", "QZD", false, 0},    {"gent", "x", false, 0},
        {"palto", "947", false, 0},      {"", "qzd", false, 0},       {"gent ", "", false, 0},
        {"nobody", "", false, 0},
    };
    for (const Row& r : rows) {
        const LoginAttempt a = checkLogin(r.name, r.password);
        EXPECT_EQ(a.ok, r.ok) << r.name << "/" << r.password;
        EXPECT_EQ(a.userWeight, r.level) << r.name;
        EXPECT_EQ(a.userName, r.ok ? r.name : "") << r.name;
    }
}

TEST(Login, LevelNamesByRange) {
    const std::pair<int, const char*> rows[] = {{255, "    [厂家用户]"}, {254, "    [高级用户]"},
                                                {20, "    [高级用户]"},  {19, "    [一般用户]"},
                                                {10, "    [一般用户]"},  {9, "    [无用户]"},
                                                {0, "    [无用户]"}};
    for (const auto& [level, text] : rows) EXPECT_EQ(levelName(level), text) << level;
}

TEST(Login, StatusTextNamesTheUserAndTheLevel) {
    EXPECT_EQ(loginStatusText(false, "", 0), "当前用户:    [无用户]");
    EXPECT_EQ(loginStatusText(true, "", 0), "当前用户:    [无用户]");
    EXPECT_EQ(loginStatusText(true, "gent", 10), "当前用户:gent    [一般用户]");
    EXPECT_EQ(loginStatusText(true, "qzd", 255), "当前用户:qzd    [厂家用户]");
}

TEST(Login, AFailedAttemptLeavesThePreviousLogin) {
    LoginState s;
    s.apply(checkLogin("lurvo", "lurvo"));
    s.apply(checkLogin("lurvo", "wrong"));
    EXPECT_TRUE(s.loggedIn);
    EXPECT_EQ(s.currentUserName, "lurvo");
    EXPECT_EQ(s.userLevel, 20);
    s.apply(checkLogin("gent", ""));
    EXPECT_EQ(s.userLevel, 10);
    s.logout();
    EXPECT_FALSE(s.loggedIn);
    EXPECT_EQ(s.currentUserName, "");
    EXPECT_EQ(s.userLevel, 0);
    EXPECT_EQ(s.statusText(), "当前用户:    [无用户]");
}

}  // namespace
}  // namespace tarvo
