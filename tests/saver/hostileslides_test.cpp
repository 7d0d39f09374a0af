// A running show meeting pictures that fail or take long: each failing file is
// reported once per show with its own error number, input is acted on while a
// large picture is prepared, and a stretch done in bands matches one done whole.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <atomic>
#include <chrono>
#include <thread>

#include "imaging/gdi.h"
#include "tests/saver/frmsaver_fixture.h"

namespace orvane::saver::test {
namespace {

class HostileSlides : public SaverTest {
 protected:
  int BoxesNaming(const std::string& name) const {
    int n = 0;
    for (const auto& box : boxes_) n += box.text.find(name) != std::string::npos;
    return n;
  }
};

TEST_F(HostileSlides, FailingPictureIsReportedOncePerShow) {
  SeaSet({"bad.jpg", "good.bmp"});
  // Cut short, closed with an end marker: refused like any corrupt picture.
  WritePicture(SetFile("whole.jpg"), 320, 240);
  const std::string whole = orvane::test::ReadFile(SetFile("whole.jpg"));
  orvane::test::WriteFile(SetFile("bad.jpg"), whole.substr(0, whole.size() / 2) + "\xFF\xD9");
  WritePicture(SetFile("good.bmp"), 320, 240, qRgb(10, 200, 30));
  frmSaver& w = Window();
  for (int pass = 0; pass < 4; ++pass) {
    w.PrepImage();
    EXPECT_EQ(w.EntryName, "good.bmp");
  }
  EXPECT_EQ(BoxesNaming("bad.jpg"), 1) << "reported on every pass over the list";
  // A new show reports it again.
  NewRun().PrepImage();
  EXPECT_EQ(BoxesNaming("bad.jpg"), 2);
}

// Takes away the power to pass over file permissions, which the tests have
// when they run as root; given back when the object goes. Capabilities belong
// to the thread, so only this one is affected.
class WithoutPermissionOverride {
 public:
  WithoutPermissionOverride() {
    syscall(SYS_capget, &header_, saved_);
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    syscall(SYS_capset, &header_, reduced);
  }
  ~WithoutPermissionOverride() { syscall(SYS_capset, &header_, saved_); }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2] = {};
};

TEST_F(HostileSlides, FailureIsReportedWithItsOwnErrorNumber) {
  SeaSet({"secret.bmp", "good.bmp"});
  WritePicture(SetFile("secret.bmp"), 320, 240);
  WritePicture(SetFile("good.bmp"), 320, 240, qRgb(10, 200, 30));
  WithoutPermissionOverride unprivileged;
  // An unreadable picture: permission denied, not "a picture that cannot be read".
  ASSERT_EQ(chmod(SetFile("secret.bmp").c_str(), 0), 0);
  frmSaver& w = Window();
  w.PrepImage();
  EXPECT_EQ(w.EntryName, "good.bmp");
  ASSERT_EQ(BoxesNaming("secret.bmp"), 1);
  EXPECT_NE(boxes_.back().text.find("Error ID: 70"), std::string::npos) << boxes_.back().text;
  // A settings folder that cannot be written: the prepared slide cannot be
  // stored, and the report says so.
  ASSERT_EQ(chmod(settingsFolder_.c_str(), 0555), 0);
  w.PrepImage();
  chmod(settingsFolder_.c_str(), 0755);
  ASSERT_EQ(BoxesNaming("ssj.bmp"), 1);
  for (const auto& box : boxes_) {
    if (box.text.find("ssj.bmp") != std::string::npos) {
      EXPECT_NE(box.text.find("Error ID: 70"), std::string::npos) << box.text;
    }
  }
}

// Records whether the show's window got a key while a preparation ran.
class KeyWatch : public QObject {
 public:
  std::atomic<bool> preparing{false};
  bool duringPreparation = false;
  bool seen = false;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      seen = true;
      duringPreparation = preparing;
    }
    return false;
  }
};

TEST_F(HostileSlides, InputDuringTheDecodeOfALargePictureEndsTheShowAtOnce) {
  // Shown at its own size (no stretch): the whole picture is decoded.
  Setting("PrefsSS", "stretch", "0");
  SeaSet({"large.jpg"});
  {
    fs::create_directories(SetFile(""));
    const imaging::Handle big = imaging::CreateBitMap(7000, 5000, 90, 120, 150);
    // Textured, so the JPEG is large enough to be decoded on the worker while
    // events run; a plain colour compresses to a file decoded in one piece.
    QImage pixels = imaging::WorkBuffImage(big);
    for (int y = 0; y < pixels.height(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(pixels.scanLine(y));
      for (int x = 0; x < pixels.width(); ++x) row[x] = qRgb((x * x + y) & 255, (3 * y + x) & 255, (x ^ y) & 255);
    }
    ASSERT_TRUE(imaging::SaveBitmap(SetFile("large.bmp").string(), big));
    imaging::UnloadBitMap(big);
    ASSERT_TRUE(imaging::DoCompress(SetFile("large.bmp").string(), SetFile("large.jpg").string()));
    fs::remove(SetFile("large.bmp"));
  }
  frmSaver& w = Window();
  KeyWatch watch;
  w.installEventFilter(&watch);
  // Shift pressed a moment after the preparation starts, from another thread
  // as the window system would deliver it.
  auto* key = new QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
  std::thread input([&] {
    while (!watch.preparing) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    QCoreApplication::postEvent(&w, key);
  });
  watch.preparing = true;
  w.PrepImage();
  watch.preparing = false;
  input.join();
  QCoreApplication::processEvents();
  ASSERT_TRUE(watch.seen);
  EXPECT_TRUE(watch.duringPreparation) << "the key waited for the whole preparation";
  EXPECT_TRUE(core::QuitSaver);
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(fs::exists(settingsFolder_ + "ssprep.bmp"));
  w.removeEventFilter(&watch);
}

TEST_F(HostileSlides, EndOfTheShowRemovesWhatAPreparationCutShortLeft) {
  SeaSet({"good.bmp"});
  WritePicture(SetFile("good.bmp"), 320, 240, qRgb(10, 200, 30));
  frmSaver& w = Window();
  w.PrepImage();
  ASSERT_TRUE(fs::exists(settingsFolder_ + "ssprep.bmp"));
  // A preparation ended between its steps leaves its intermediate files.
  orvane::test::WriteFile(settingsFolder_ + "ssj.bmp", "slide before its rename");
  orvane::test::WriteFile(settingsFolder_ + "conv.jpg", "low-colour intermediate");
  w.EndShow();
  EXPECT_FALSE(fs::exists(settingsFolder_ + "ssj.bmp"));
  EXPECT_FALSE(fs::exists(settingsFolder_ + "conv.jpg"));
  EXPECT_TRUE(fs::exists(settingsFolder_ + "ssprep.bmp")) << "kept until the next preparation";
}

TEST_F(HostileSlides, StretchInBandsMatchesTheWholeStretch) {
  // A picture large enough to be stretched in several bands.
  SeaSet({"photo.bmp"});
  WritePicture(SetFile("photo.bmp"), 3001, 2003);
  frmSaver& w = Window();
  w.PrepImage();
  const QImage prepared = Prepared();
  ASSERT_FALSE(prepared.isNull());

  const imaging::Handle source = imaging::LoadWorkBuff(SetFile("photo.bmp").string());
  const imaging::Handle whole = imaging::CreateWorkBuff(prepared.width(), prepared.height(), 0, 0);
  // Where the fit put the picture: proportions kept, centred.
  const int height = int(std::lround(2003.0 * prepared.width() / 3001.0));
  const int top = (prepared.height() - height) / 2;
  imaging::SetStretchBltMode(imaging::GetWorkBuffHDC(whole), imaging::kHalftone);
  imaging::StretchBlt(imaging::GetWorkBuffHDC(whole), 0, top, prepared.width(), height,
                      imaging::GetWorkBuffHDC(source), 0, 0, 3001, 2003);
  const QImage expected = imaging::WorkBuffImage(whole);
  int differing = 0;
  for (int y = 0; y < prepared.height(); ++y)
    for (int x = 0; x < prepared.width(); ++x)
      differing += (prepared.pixel(x, y) & 0xFFFFFF) != (expected.pixel(x, y) & 0xFFFFFF);
  EXPECT_EQ(differing, 0);
  imaging::DestroyWorkBuff(whole);
  imaging::DestroyWorkBuff(source);
}

}  // namespace
}  // namespace orvane::saver::test
