// The controls' selection semantics: what raises Click and what does not, the
// combo box that never chooses by itself, right-button presses, and manual drags
// driven by plain mouse events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "platform/vbcontrols.h"

namespace pf = orvane::platform;

namespace {

void Mouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, held, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

QPoint EntryCentre(pf::VbListBox& list, int index) {
  return list.visualItemRect(list.item(index)).center();
}

}  // namespace

TEST(VbControls, WhatRaisesClick) {
  struct Case {
    const char* what;
    std::function<void(pf::VbListBox& list, pf::VbComboBox& combo)> act;
    int listClicks;
    int comboClicks;
  };
  const std::vector<Case> cases = {
      {"AddItem", [](auto& l, auto& c) { l.AddItem("d"); c.AddItem("d"); }, 0, 0},
      {"RemoveItem", [](auto& l, auto& c) { l.RemoveItem(0); c.RemoveItem(0); }, 0, 0},
      {"Clear", [](auto& l, auto& c) { l.Clear(); c.Clear(); }, 0, 0},
      {"ListIndex", [](auto& l, auto& c) { l.SetListIndex(1); c.SetListIndex(1); }, 1, 1},
      {"ListIndex unchanged", [](auto& l, auto& c) { l.SetListIndex(-1); c.SetListIndex(-1); }, 1, 1},
      {"Selected", [](auto& l, auto&) { l.SetSelected(2, true); }, 1, 0},
      {"Selected false", [](auto& l, auto&) { l.SetSelected(2, false); }, 1, 0},
      {"ItemData", [](auto& l, auto& c) { l.SetItemData(0, 7); c.SetItemData(0, 7); }, 0, 0},
  };
  for (const Case& c : cases) {
    pf::VbListBox list(nullptr, /*multiSelect=*/true);
    pf::VbComboBox combo;
    for (const char* text : {"a", "b", "c"}) {
      list.AddItem(text);
      combo.AddItem(text);
    }
    int listClicks = 0, comboClicks = 0;
    list.Click = [&] { ++listClicks; };
    combo.Click = [&] { ++comboClicks; };
    c.act(list, combo);
    EXPECT_EQ(listClicks, c.listClicks) << c.what;
    EXPECT_EQ(comboClicks, c.comboClicks) << c.what;
  }
}

TEST(VbControls, ListAndComboStateAfterCodeChanges) {
  pf::VbComboBox combo;
  EXPECT_EQ(combo.ListIndex(), -1);
  combo.AddItem("Sea");
  combo.AddItem("Forest");
  EXPECT_EQ(combo.ListIndex(), -1);  // Qt alone would have chosen "Sea"
  EXPECT_EQ(combo.Text(), "");
  combo.AddItem("Randomize", 0);
  EXPECT_EQ(combo.NewIndex(), 0);
  combo.SetListIndex(2);
  EXPECT_EQ(combo.Text(), "Forest");
  combo.RemoveItem(2);
  EXPECT_EQ(combo.ListIndex(), -1);
  combo.SetItemData(1, 66);
  EXPECT_EQ(combo.ItemData(1), 66);

  pf::VbListBox list(nullptr, true);
  EXPECT_EQ(list.ListIndex(), -1);
  list.AddItem("A");
  list.AddItem("B");
  list.AddItem("C");
  list.AddItem("Z", 1);
  EXPECT_EQ(list.NewIndex(), 1);
  EXPECT_EQ(list.List(1), "Z");
  EXPECT_EQ(list.ListIndex(), -1);
  list.SetSelected(0, true);
  list.SetSelected(3, true);
  EXPECT_EQ(list.SelCount(), 2);
  list.SetListIndex(2);  // chooses that entry alone
  EXPECT_EQ(list.SelCount(), 1);
  EXPECT_TRUE(list.Selected(2));
  EXPECT_EQ(list.ListIndex(), 2);
  list.SetListIndex(-1);
  EXPECT_EQ(list.SelCount(), 0);
  // Names are code-page bytes and come back as they went in.
  list.AddItem("Caf\xE9");
  EXPECT_EQ(list.List(list.NewIndex()), "Caf\xE9");
  EXPECT_EQ(list.item(list.NewIndex())->text(), QString::fromUtf8("Caf\xC3\xA9"));
}

TEST(VbControls, ButtonsTabsAndValues) {
  QWidget frame;
  pf::VbOptionButton on("&On", &frame), off("O&ff", &frame);
  std::vector<std::string> clicks;
  on.Click = [&] { clicks.push_back("on"); };
  off.Click = [&] { clicks.push_back("off"); };
  on.SetValue(true);
  off.SetValue(true);
  off.SetValue(true);  // set again: still a Click
  on.SetValue(false);  // False raises nothing and changes nothing here
  EXPECT_EQ(clicks, (std::vector<std::string>{"on", "off", "off"}));
  EXPECT_FALSE(on.Value());
  EXPECT_TRUE(off.Value());
  off.SetValue(false);
  EXPECT_FALSE(off.Value());

  pf::VbCheckBox check("&Fit");
  int checkClicks = 0;
  check.Click = [&] { ++checkClicks; };
  check.SetValue(1);
  check.SetValue(1);
  check.SetValue(0);
  EXPECT_EQ(checkClicks, 2);
  EXPECT_EQ(check.Value(), 0);

  pf::VbTabControl tabs;
  for (const char* caption : {"One", "Two", "Three"}) tabs.AddTab(caption);
  std::vector<int> previous;
  tabs.Click = [&](int before) { previous.push_back(before); };
  tabs.SetTab(2);
  tabs.SetTab(2);
  tabs.SetTab(0);
  EXPECT_EQ(previous, (std::vector<int>{0, 2}));
  EXPECT_EQ(tabs.TabCaption(1), "Two");

  pf::VbSpinBox spin(nullptr, 0, 546);
  int changes = 0;
  spin.Change = [&] { ++changes; };
  spin.SetValue(600);
  EXPECT_EQ(spin.Value(), 546);
  EXPECT_EQ(changes, 1);

  // A label with a control to move to marks its key; any other label shows
  // its text as it stands (an address or a name holding "&").
  pf::VbLabel label("&Image set:");
  EXPECT_EQ(label.text().toStdString(), "&Image set:");
  pf::VbComboBox buddy;
  label.SetBuddy(&buddy);
  EXPECT_EQ(label.text().toStdString(), "&Image set:");
  EXPECT_EQ(label.buddy(), &buddy);
  pf::VbLabel address("https://x.example/?a=1&b=2 && <i>c</i>");
  EXPECT_EQ(address.text().toStdString(), "https://x.example/?a=1&b=2 && <i>c</i>");
  EXPECT_EQ(address.textFormat(), Qt::PlainText);
  EXPECT_EQ(pf::TwipsToPixels(1500), 100);
  EXPECT_EQ(pf::PixelsToTwips(4), 60);
}

TEST(VbControls, RightButtonLeavesTheSelectionAndStartsManualDrags) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* source = new pf::VbListBox(&window, true);
  auto* target = new pf::VbListBox(&window, true);
  layout->addWidget(source);
  layout->addWidget(target);
  for (const char* text : {"a", "b", "c"}) source->AddItem(text);
  window.resize(200, 300);
  window.show();

  int clicks = 0;
  source->Click = [&] { ++clicks; };
  std::vector<std::string> events;
  source->MouseDown = [&](int button, int, float x, float y) {
    events.push_back("down " + std::to_string(button) + " " + std::to_string(static_cast<int>(x)) + " " +
                     std::to_string(static_cast<int>(y)));
  };
  source->MouseMove = [&](int button, int, float, float) {
    events.push_back("move " + std::to_string(button));
    if (button == 2 && !source->Dragging()) source->Drag(1);
  };
  QWidget* dropSource = nullptr;
  target->DragDrop = [&](QWidget* from, float, float) { dropSource = from; };

  // A left click chooses the entry and raises Click.
  const QPoint b = EntryCentre(*source, 1);
  Mouse(source->viewport(), QEvent::MouseButtonPress, b, Qt::LeftButton, Qt::LeftButton);
  Mouse(source->viewport(), QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(clicks, 1);
  ASSERT_EQ(source->SelCount(), 1);

  // A right press on another entry leaves the selection alone; positions are twips.
  const QPoint c = EntryCentre(*source, 2);
  Mouse(source->viewport(), QEvent::MouseButtonPress, c, Qt::RightButton, Qt::RightButton);
  EXPECT_TRUE(source->Selected(1));
  EXPECT_FALSE(source->Selected(2));
  EXPECT_EQ(clicks, 1);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), "down 2 " + std::to_string(c.x() * 15) + " " + std::to_string(c.y() * 15));

  // The drag begun while the right button moves ends on the list under the pointer.
  Mouse(source->viewport(), QEvent::MouseMove, c + QPoint(0, 5), Qt::NoButton, Qt::RightButton);
  EXPECT_TRUE(source->Dragging());
  const QPoint over = source->viewport()->mapFromGlobal(target->viewport()->mapToGlobal(QPoint(10, 10)));
  Mouse(source->viewport(), QEvent::MouseButtonRelease, over, Qt::RightButton, Qt::NoButton);
  EXPECT_EQ(dropSource, source);
  EXPECT_FALSE(source->Dragging());
  EXPECT_TRUE(source->Selected(1));
}
