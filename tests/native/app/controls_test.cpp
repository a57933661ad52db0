#include <gtest/gtest.h>

#include "controls/controls.h"

namespace tk::controls {
namespace {

TEST(ListBoxTest, SettingAPositionRaisesTheHandlerEveryTimeAndRejectsBadPositions) {
    ListBox box;
    int clicks = 0;
    box.onClick = [&] { ++clicks; };
    box.addItem("a");
    box.addItem("b");
    box.setListIndex(1);
    box.setListIndex(1);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(box.text(), "b");
    EXPECT_THROW(box.setListIndex(2), ControlError);
    EXPECT_THROW(box.setListIndex(-2), ControlError);
    EXPECT_EQ(box.listIndex(), 1);
    EXPECT_EQ(clicks, 2);
    box.setListIndex(-1);
    EXPECT_EQ(box.text(), "");
}

TEST(ListBoxTest, InsertAndRemoveKeepTheSelectionOnItsItem) {
    ListBox box;
    box.addItem("a");
    box.addItem("c");
    box.setListIndex(1);
    box.addItem("b", 1);
    EXPECT_EQ(box.text(), "c");
    box.removeItem(0);
    EXPECT_EQ(box.text(), "c");
    box.removeItem(1);
    EXPECT_EQ(box.listIndex(), -1);
    EXPECT_THROW(box.addItem("x", 5), ControlError);
}

TEST(CheckBoxTest, RaisesOnlyOnChangeAndRefusesInvalidStates) {
    CheckBox box;
    int clicks = 0;
    box.onClick = [&] { ++clicks; };
    box.setValue(0);
    EXPECT_EQ(clicks, 0);
    box.setValue(1);
    EXPECT_EQ(clicks, 1);
    EXPECT_THROW(box.setValue(-1), ControlError);
    EXPECT_EQ(box.value(), 1);
}

TEST(OptionButtonTest, SelectingOneClearsTheOthersWithoutTheirHandlers) {
    OptionButton a, b;
    a.joinGroup(b);
    int aClicks = 0, bClicks = 0;
    a.onClick = [&] { ++aClicks; };
    b.onClick = [&] { ++bClicks; };
    a.setValue(true);
    b.setValue(true);
    EXPECT_FALSE(a.value());
    EXPECT_TRUE(b.value());
    EXPECT_EQ(aClicks, 1);
    EXPECT_EQ(bClicks, 1);
}

TEST(SliderTest, ClampsToItsRangeAndRaisesOnChange) {
    Slider s;
    s.setRange(-100, 0);
    int changes = 0;
    s.onChange = [&] { ++changes; };
    s.setValue(-50);
    s.setValue(20);
    EXPECT_EQ(s.value(), 0);
    EXPECT_EQ(changes, 2);
    s.setValue(0);
    EXPECT_EQ(changes, 2);
}

TEST(MenuArrayTest, ItemZeroStaysAndOnlyTheNextItemLoads) {
    MenuArray menu("m");
    EXPECT_EQ(menu.count(), 1);
    EXPECT_THROW(menu.load(2), ControlError);
    menu.load(1).setCaption("x");
    EXPECT_THROW(menu.unload(0), ControlError);
    menu.unload(1);
    EXPECT_EQ(menu.count(), 1);
    EXPECT_THROW(menu.item(1), ControlError);
}

TEST(ButtonTest, PressRunsTheClickEvenWhenDisabled) {
    Button b;
    int clicks = 0;
    b.onClick = [&] { ++clicks; };
    b.setEnabled(false);
    b.press();
    EXPECT_EQ(clicks, 1);
}

struct RecordingObserver : ControlObserver {
    std::vector<Property> seen;
    void controlChanged(Control&, Property what) override { seen.push_back(what); }
};

TEST(ControlObserverTest, HearsOnlyRealChanges) {
    Label l;
    RecordingObserver o;
    l.setObserver(&o);
    l.setCaption("a");
    l.setCaption("a");
    l.setEnabled(false);
    EXPECT_EQ(o.seen, (std::vector<Property>{Property::Caption, Property::Enabled}));
}

}  // namespace
}  // namespace tk::controls
