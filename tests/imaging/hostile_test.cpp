// Hostile and broken picture files: files truncated while they are read,
// pictures whose header promises far more than the file holds, pictures too
// large for the free memory, and the error numbers of failed reads and writes.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "imaging/imaging.h"
#include "imaging/io.h"
#include "tests/imaging/imaging_fixtures.h"
#include "tests/support/testenv.h"

namespace orvane::imaging {
namespace {

namespace fs = std::filesystem;

std::string Jpeg(int width, int height, int subsampling, int flags, int quality = 80) {
  const QImage image = test::PhotoLike(width, height);
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const int rc = tjCompress2(tj, image.constBits(), width, int(image.bytesPerLine()), height,
                             TJPF_BGRX, &out, &size, subsampling, quality, flags);
  std::string bytes = rc == 0 ? std::string(reinterpret_cast<char*>(out), size) : std::string();
  tjFree(out);
  tjDestroy(tj);
  return bytes;
}

// Writes width and height into the frame header (SOF0 or SOF2).
std::string WithFrameSize(std::string jpeg, int width, int height) {
  std::size_t sof = jpeg.find("\xFF\xC2");
  if (sof == std::string::npos) sof = jpeg.find("\xFF\xC0");
  if (sof == std::string::npos) return {};
  jpeg[sof + 5] = char(height >> 8);
  jpeg[sof + 6] = char(height & 255);
  jpeg[sof + 7] = char(width >> 8);
  jpeg[sof + 8] = char(width & 255);
  return jpeg;
}

long PeakResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

class Hostile : public ::testing::Test {
 public:
  void SetUp() override {
    dir_ = orvane::test::MakeTempDir("hostile");
    SetProgressCallback(nullptr);
    SetLoadProgressCallback(nullptr);
    detail::SetAvailableMemoryForTesting(0);
  }
  void TearDown() override {
    SetLoadProgressCallback(nullptr);
    detail::SetAvailableMemoryForTesting(0);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

std::string truncateTarget;
int loadPolls = 0;
std::int16_t TruncateOnFirstPoll(std::int16_t) {
  if (loadPolls++ == 0) {
    const int rc = ::truncate(truncateTarget.c_str(), 1000);
    EXPECT_EQ(rc, 0);
  }
  return 0;
}

TEST_F(Hostile, FileTruncatedWhileItIsReadIsALoadFailure) {
  // A bitmap of 12 MB: read in pieces, the file is cut short after the first.
  const Handle big = CreateBitMap(2000, 1500, 10, 20, 30);
  ASSERT_TRUE(SaveBitmap(Path("big.bmp"), big));
  UnloadBitMap(big);
  const std::string whole = orvane::test::ReadFile(Path("big.bmp"));
  truncateTarget = Path("big.bmp");
  loadPolls = 0;
  SetLoadProgressCallback(&TruncateOnFirstPoll);
  EXPECT_EQ(LoadWorkBuff(Path("big.bmp")), kNoHandle);
  EXPECT_EQ(LastError(), kInvalidPicture);
  EXPECT_GE(loadPolls, 1);

  // Another program truncating and rewriting the file over and over while it is
  // loaded: every load either gives the whole picture or fails, never a crash.
  SetLoadProgressCallback(nullptr);
  std::atomic<bool> stop{false};
  std::thread rewriter([&] {
    while (!stop) {
      if (::truncate(truncateTarget.c_str(), 4096) != 0) break;
      orvane::test::WriteFile(truncateTarget, whole);
    }
  });
  for (int i = 0; i < 40; ++i) {
    const Handle h = LoadBitMap(Path("big.bmp"));
    if (h == kNoHandle) continue;
    EXPECT_EQ(GetGCBitmapWidth(h), 2000);
    EXPECT_EQ(test::PixelAt(h, 1999, 1499), 0x0A141Eu);
    UnloadBitMap(h);
  }
  stop = true;
  rewriter.join();
}

TEST_F(Hostile, BrokenJpegsAreRefused) {
  const std::string photo = Jpeg(320, 240, TJSAMP_420, 0);
  const std::string progressive = Jpeg(320, 240, TJSAMP_420, TJFLAG_PROGRESSIVE);
  ASSERT_FALSE(photo.empty());
  ASSERT_FALSE(progressive.empty());
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      // Shown today with its missing half grey.
      {"cut in half, end marker added", photo.substr(0, photo.size() / 2) + "\xFF\xD9"},
      {"progressive cut after two scans, end marker added",
       progressive.substr(0, progressive.find("\xFF\xDA", progressive.find("\xFF\xDA") + 2) + 40) +
           "\xFF\xD9"},
      {"middle bytes scrambled", [&] {
         std::string b = photo;
         for (std::size_t i = b.size() / 3; i < b.size() / 2; i += 3) b[i] = char(0xFF);
         return b;
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    orvane::test::WriteFile(Path("bad.jpg"), c.bytes);
    EXPECT_EQ(LoadBitMap(Path("bad.jpg")), kNoHandle);
    EXPECT_EQ(LastError(), kInvalidPicture);
    EXPECT_EQ(LoadWorkBuff(Path("bad.jpg"), 80, 60), kNoHandle);
    EXPECT_FALSE(DoDecompress(Path("bad.jpg"), Path("out.bmp")));
    EXPECT_FALSE(fs::exists(Path("out.bmp")));
  }
  // The whole files still load.
  orvane::test::WriteFile(Path("good.jpg"), progressive);
  const Handle good = LoadBitMap(Path("good.jpg"));
  EXPECT_EQ(GetGCBitmapWidth(good), 320);
  UnloadBitMap(good);
}

TEST_F(Hostile, TinyFileClaimingAHugePictureCostsNoMemory) {
  // A few hundred bytes whose frame header says 20000 x 20000: decoding it
  // would take seconds and gigabytes before the data runs out.
  const std::string tiny[] = {
      WithFrameSize(Jpeg(16, 16, TJSAMP_444, TJFLAG_PROGRESSIVE), 20000, 20000),
      WithFrameSize(Jpeg(16, 16, TJSAMP_420, 0), 20000, 20000),
  };
  const long before = PeakResidentKb();
  for (const std::string& bytes : tiny) {
    ASSERT_FALSE(bytes.empty());
    ASSERT_LT(bytes.size(), 2000u);
    orvane::test::WriteFile(Path("bomb.jpg"), bytes);
    EXPECT_EQ(LoadBitMap(Path("bomb.jpg")), kNoHandle);
    EXPECT_EQ(LastError(), kInvalidPicture);
    EXPECT_EQ(LoadBitMapScaled(Path("bomb.jpg"), 1024, 768), kNoHandle);
    EXPECT_FALSE(DoDecompressScaled(Path("bomb.jpg"), Path("out.bmp"), 1024, 768));
  }
  EXPECT_LT(PeakResidentKb() - before, 100 * 1024) << "peak memory grew while refusing";
}

TEST_F(Hostile, PictureThatCannotFitInFreeMemoryIsRefused) {
  orvane::test::WriteFile(Path("photo.jpg"), Jpeg(1600, 1200, TJSAMP_420, 0));
  orvane::test::WriteFile(Path("progressive.jpg"), Jpeg(1600, 1200, TJSAMP_444, TJFLAG_PROGRESSIVE));
  detail::SetAvailableMemoryForTesting(6u << 20);  // 6 MB free
  // 1600 x 1200 decodes to 7.7 MB of pixels.
  EXPECT_EQ(LoadBitMap(Path("photo.jpg")), kNoHandle);
  EXPECT_EQ(LastError(), kOutOfMemory);
  EXPECT_FALSE(DoDecompress(Path("photo.jpg"), Path("out.bmp")));
  EXPECT_EQ(LastError(), kOutOfMemory);
  // Scaled to 1/2 it fits (1.9 MB), unless the file keeps every coefficient of
  // the full picture in memory, as a progressive one does (1600 x 1200 x 3 x 2).
  const Handle half = LoadBitMapScaled(Path("photo.jpg"), 800, 600);
  EXPECT_EQ(GetGCBitmapWidth(half), 800);
  UnloadBitMap(half);
  EXPECT_EQ(LoadBitMapScaled(Path("progressive.jpg"), 800, 600), kNoHandle);
  EXPECT_EQ(LastError(), kOutOfMemory);
  // Buffers and bitmaps too.
  detail::SetAvailableMemoryForTesting(50u << 20);
  EXPECT_EQ(CreateWorkBuff(5000, 5000, 0, 0), kNoHandle);
  EXPECT_EQ(LastError(), kOutOfMemory);
  detail::SetAvailableMemoryForTesting(0);
  const Handle full = LoadBitMap(Path("progressive.jpg"));
  EXPECT_EQ(GetGCBitmapWidth(full), 1600);
  UnloadBitMap(full);
}

// Runs body as an unprivileged user when the tests run as root (who may read
// and write everything); returns its exit code.
template <typename Body>
int AsUnprivileged(Body body) {
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

TEST_F(Hostile, FailedReadsAndWritesGiveTheirOwnErrorNumbers) {
  EXPECT_EQ(detail::ErrorNumberOf(ENOSPC), kDiskFull);
  EXPECT_EQ(detail::ErrorNumberOf(EDQUOT), kDiskFull);
  EXPECT_EQ(detail::ErrorNumberOf(EACCES), kPermissionDenied);
  EXPECT_EQ(detail::ErrorNumberOf(EROFS), kPermissionDenied);
  EXPECT_EQ(detail::ErrorNumberOf(EIO), kPathFileAccess);
  EXPECT_EQ(detail::ErrorNumberOf(ENOENT), kFileNotFound);

  const std::string photo = Jpeg(64, 48, TJSAMP_420, 0);
  orvane::test::WriteFile(Path("photo.jpg"), photo);
  // A folder and a FIFO named as pictures: no hang, an access error.
  fs::create_directory(Path("folder.jpg"));
  ASSERT_EQ(mkfifo(Path("fifo.jpg").c_str(), 0600), 0);
  for (const char* name : {"folder.jpg", "fifo.jpg"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(LoadBitMap(Path(name)), kNoHandle);
    EXPECT_EQ(LastError(), kPathFileAccess);
    EXPECT_FALSE(DoDecompress(Path(name), Path("out.bmp")));
    EXPECT_EQ(LastError(), kPathFileAccess);
  }

  // An unreadable picture, and a folder that cannot be written.
  fs::create_directory(Path("locked"));
  orvane::test::WriteFile(Path("secret.jpg"), photo);
  chmod(Path("secret.jpg").c_str(), 0);
  chmod(dir_.c_str(), 0755);
  chmod(Path("locked").c_str(), 0555);
  chmod(Path("photo.jpg").c_str(), 0644);
  for (const auto& p : {orvane::test::TempRoot(), fs::path(dir_).parent_path()})
    chmod(p.c_str(), 0755);
  const std::string secret = Path("secret.jpg"), locked = Path("locked/out.bmp"),
                    source = Path("photo.jpg");
  EXPECT_EQ(AsUnprivileged([&] {
              if (LoadBitMap(secret) != kNoHandle) return 1;
              if (LastError() != kPermissionDenied) return 2;
              if (DoDecompress(source, locked)) return 3;
              if (LastError() != kPermissionDenied) return 4;
              return 0;
            }),
            0);
}

}  // namespace
}  // namespace orvane::imaging
