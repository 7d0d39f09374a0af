#include "platform/cursor.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>

namespace pf = orvane::platform;

namespace {
bool Blank() {
  const QCursor* cursor = QGuiApplication::overrideCursor();
  return cursor && cursor->shape() == Qt::BlankCursor;
}
}  // namespace

TEST(ShowCursor, PointerIsBlankOnlyWhileTheCountIsBelowZero) {
  ASSERT_EQ(pf::CursorDisplayCount(), 0);
  EXPECT_EQ(pf::ShowCursor(true), 1);
  EXPECT_FALSE(Blank());
  EXPECT_EQ(pf::ShowCursor(false), 0);
  EXPECT_FALSE(Blank());
  EXPECT_EQ(pf::ShowCursor(false), -1);
  EXPECT_TRUE(Blank());
  EXPECT_EQ(pf::ShowCursor(false), -2);
  EXPECT_TRUE(Blank());
  EXPECT_EQ(pf::ShowCursor(true), -1);
  EXPECT_TRUE(Blank());
  EXPECT_EQ(pf::ShowCursor(true), 0);
  EXPECT_FALSE(Blank());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // one override set, one removed
}
