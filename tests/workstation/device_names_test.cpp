#include "workstation/device_names.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

TEST(DeviceNames, BlankTextsGiveTheDefaultNameOthersStayAsTyped) {
    EXPECT_EQ(deviceNameRule("", 7), "记录仪7");
    EXPECT_EQ(deviceNameRule("   ", 7), "记录仪7");
    EXPECT_EQ(deviceNameRule(" 冷库 ", 7), " 冷库 ");
    EXPECT_EQ(deviceNameRule("\t", 7), "\t");  // only the space character counts as blank
    EXPECT_EQ(deviceNameRule("", 100), "记录仪100");
}

TEST(DeviceNames, SelectorListsTheNamesInAddressOrderAndTheListTheDefaults) {
    DisplayNames names;
    names[2] = "二号";
    const auto items = selectorItems(names);
    ASSERT_EQ(items.size(), 100u);
    EXPECT_EQ(items[0], "记录仪1");
    EXPECT_EQ(items[1], "二号");
    EXPECT_EQ(items[99], "记录仪100");
    const auto entries = DeviceNameManager::listEntries();
    ASSERT_EQ(entries.size(), 100u);
    EXPECT_EQ(entries[1], "记录仪2");
}

TEST(DeviceNameManager, ClearingAndConfirmingGivesTheDefaultName) {
    DisplayNames names;
    names[7] = "旧名";
    DeviceNameManager m;
    m.activate(names);
    m.clickEntry(7);
    EXPECT_EQ(m.text(), "旧名");
    m.setText("");
    m.accept(names);
    EXPECT_EQ(names[7], "记录仪7");
}

TEST(DeviceNameManager, EditsGoToTheSelectedAddressWhenTheTextIsLeft) {
    DisplayNames names;
    DeviceNameManager m;
    m.activate(names);
    EXPECT_EQ(m.selectedAddress(), 1);
    EXPECT_EQ(m.text(), "记录仪1");
    m.setText(" 一号 ");
    m.clickEntry(3);  // leaving the text box commits it to address 1
    EXPECT_EQ(m.text(), "记录仪3");
    m.setText("   ");
    m.clickEntry(0);  // no such entry: nothing happens
    m.clickEntry(101);
    EXPECT_EQ(m.selectedAddress(), 3);
    m.accept(names);
    EXPECT_EQ(names[1], " 一号 ");
    EXPECT_EQ(names[3], "记录仪3");
}

TEST(DeviceNameManager, CancelLeavesTheNamesAndReopeningShowsTheCommittedOnes) {
    DisplayNames names;
    names[5] = "五号";
    const DisplayNames before = names;
    DeviceNameManager m;
    m.activate(names);
    m.clickEntry(5);
    m.setText("改");
    m.clickEntry(6);
    m.setText("也改");
    m.cancel();
    EXPECT_EQ(names, before);
    m.activate(names);
    EXPECT_EQ(m.selectedAddress(), 6);  // the selection survives, the edits do not
    EXPECT_EQ(m.text(), "记录仪6");
    EXPECT_EQ(m.workingNames(), before);
}

}  // namespace
}  // namespace tarvo
