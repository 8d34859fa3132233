// The tab pages' controls keep the rule the page handlers rely on: a radio
// group's click runs when code chooses an item, a page control's change only
// when the user picks a tab.
#include "platform/window/PageControl.h"
#include "platform/window/RadioGroup.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QRadioButton>

TEST(RadioGroupTest, ClickRunsOnceForEveryNewChoiceByCodeOrUser) {
    TRadioGroup group;
    group.setObjectName("power");
    int clicks = 0;
    group.OnClick = [&] { ++clicks; };
    for (const char* caption : {"10 mW", "100 mW", "250 mW"})
        group.AddItem(caption);
    EXPECT_EQ(group.Count(), 3);
    EXPECT_EQ(group.ItemIndex(), -1);
    EXPECT_EQ(group.Button(1)->objectName(), "power_1");

    group.SetItemIndex(2);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(group.Button(2)->isChecked());
    group.SetItemIndex(2); // the same choice again is no click
    EXPECT_EQ(clicks, 1);

    group.Button(0)->click(); // the user's click
    EXPECT_EQ(group.ItemIndex(), 0);
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(group.Button(2)->isChecked());

    // Clearing the choice, by code or an index past the items, clicks nothing
    // and leaves no button checked.
    group.SetItemIndex(7);
    EXPECT_EQ(group.ItemIndex(), -1);
    EXPECT_EQ(clicks, 2);
    for (int i = 0; i < group.Count(); ++i)
        EXPECT_FALSE(group.Button(i)->isChecked()) << i;

    group.ClearItems();
    EXPECT_EQ(group.Count(), 0);
    EXPECT_EQ(group.ItemIndex(), -1);
    group.AddItem("1 W");
    group.SetItemIndex(0);
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(group.ItemCaption(0), "1 W");
    EXPECT_EQ(group.ItemCaption(5), "");

    // A new list replaces the old one at once and chooses nothing.
    group.SetItems({"a", "b"});
    EXPECT_EQ(group.Count(), 2);
    EXPECT_EQ(group.ItemIndex(), -1);
    EXPECT_EQ(group.Button(1)->objectName(), "power_1");
    EXPECT_EQ(clicks, 3);
}

TEST(RadioGroupTest, AdoptsTheFormsButtonsInTheirNumberedOrder) {
    TRadioGroup group;
    group.setObjectName("mode");
    // The form creates them in any order; a stranger is not an item.
    for (const char* name : {"mode_1", "mode_0", "other", "mode_2"}) {
        auto* b = new QRadioButton(name, &group);
        b->setObjectName(name);
    }
    qobject_cast<QRadioButton*>(group.findChild<QRadioButton*>("mode_1"))->setChecked(true);
    // The form puts the last one into a second column.
    group.findChild<QRadioButton*>("mode_2")->move(100, 0);
    group.AdoptButtons();
    ASSERT_EQ(group.Count(), 3);
    EXPECT_EQ(group.Button(0)->objectName(), "mode_0");
    EXPECT_EQ(group.Button(2)->objectName(), "mode_2");
    EXPECT_EQ(group.ItemIndex(), 1);
    EXPECT_EQ(group.Columns(), 2);
    group.SetColumns(3);
    EXPECT_EQ(group.Columns(), 3);
    group.SetColumns(0);
    EXPECT_EQ(group.Columns(), 1);
}

TEST(PageControlTest, OnlyTheUsersTabChoiceRunsTheChange) {
    TPageControl pages;
    QLabel first, second, third;
    pages.addTab(&first, "1");
    pages.addTab(&second, "2");
    pages.addTab(&third, "3");
    int changes = 0;
    pages.OnChange = [&] { ++changes; };

    pages.SetActivePage(&second);
    EXPECT_EQ(pages.ActivePage(), &second);
    // Hiding the active tab moves the selection, still without a change.
    pages.SetTabShown(&second, false);
    EXPECT_FALSE(pages.TabShown(&second));
    EXPECT_FALSE(second.isEnabled());
    EXPECT_NE(pages.ActivePage(), &second);
    pages.SetTabVisibleOnly(&third, false);
    EXPECT_FALSE(pages.TabShown(&third));
    EXPECT_EQ(changes, 0);

    pages.SetTabShown(&third, true);
    EXPECT_TRUE(third.isEnabled());
    pages.setCurrentIndex(pages.indexOf(&third)); // what a tab click does
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(pages.ActivePage(), &third);
}
