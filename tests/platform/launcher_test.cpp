// Opening documents: which targets reach the desktop's opener and in what form.
#include "platform/launcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/runlog.h"
#include "tests/support/testenv.h"

namespace pf = orvane::platform;

namespace {

class Launches : public testing::Test {
 protected:
  void SetUp() override {
    pf::SetLaunchHandler([this](const std::string& url) {
      opened.push_back(url);
      return true;
    });
  }
  void TearDown() override { pf::SetLaunchHandler({}); }
  std::vector<std::string> opened;
};

TEST_F(Launches, WebAddressesOpenAsWritten) {
  for (const std::string url : {"http://example.com", "HTTPS://example.com/a/b?x=1&y=2#top",
                                "mailto:support@example.com", "https://example.com/%7Euser/"}) {
    EXPECT_TRUE(pf::IsWebAddress(url)) << url;
    EXPECT_TRUE(pf::ShellExecuteOpen(url)) << url;
  }
  EXPECT_EQ(opened, (std::vector<std::string>{"http://example.com", "HTTPS://example.com/a/b?x=1&y=2#top",
                                              "mailto:support@example.com", "https://example.com/%7Euser/"}));
}

TEST_F(Launches, EverythingElseIsRefusedWithoutRunningAnything) {
  struct Case {
    const char* name;
    std::string target;
  };
  const std::vector<Case> cases = {
      {"empty", ""},
      {"file scheme", "file:///etc/passwd"},
      {"other scheme", "javascript:alert(1)"},
      {"ftp", "ftp://example.com/"},
      {"no host", "http://"},
      {"bare host", "www.example.com"},
      {"relative path", "Help.html"},
      {"command substitution", "http://example.com/$(touch /tmp/x)"},
      {"backticks", "http://example.com/`id`"},
      {"command separator", "http://example.com/;rm -rf ~"},
      {"pipe", "http://example.com/|sh"},
      {"blank", "http://example.com/a b"},
      {"quote", "http://example.com/\"x"},
      {"line break", "http://example.com/\nx"},
      {"mailto without recipient", "mailto:"},
      {"option-like", "-e http://example.com"},
      {"missing local file", "/nowhere/Help.html"},
  };
  for (const Case& c : cases) EXPECT_FALSE(pf::ShellExecuteOpen(c.target)) << c.name;
  EXPECT_TRUE(opened.empty());
}

// Links in set files written without a scheme: a host name first opens as
// http; anything else is refused, said once per link on standard error and in
// the log.
TEST_F(Launches, LinksWithoutASchemeThatBeginWithAHostOpenAsHttp) {
  struct Case {
    std::string link;
    std::string opens;  // empty: refused
  };
  const std::vector<Case> cases = {
      {"www.example.com", "http://www.example.com"},
      {"WWW.Example.com/Sets/Sea.html", "http://WWW.Example.com/Sets/Sea.html"},
      {"example.com", "http://example.com"},
      {"shop.example.co.uk/birds?id=3#top", "http://shop.example.co.uk/birds?id=3#top"},
      {"example.com:8080/a", "http://example.com:8080/a"},
      {"https://example.com/", "https://example.com/"},
      {"mailto:support@example.com", "mailto:support@example.com"},
      {"Help.html", ""},
      {"readme.txt", ""},
      {"photo.jpg", ""},
      {"localhost", ""},
      {"/usr/bin/xterm", ""},
      {"file:///etc/passwd", ""},
      {"javascript:alert(1)", ""},
      {"support@example.com", ""},
      {"www.example.com/$(reboot)", ""},
      {"www.example.com/a b", ""},
      {"-x.example.com", ""},
      {"example..com", ""},
      {"example.com:http", ""},
      {"ftp://example.com/", ""},
  };
  pf::ClearRunFailure();
  testing::internal::CaptureStderr();
  for (const Case& c : cases) {
    EXPECT_EQ(pf::WebLinkAddress(c.link), c.opens) << c.link;
    opened.clear();
    EXPECT_EQ(pf::OpenWebLink(c.link), !c.opens.empty()) << c.link;
    EXPECT_EQ(opened, c.opens.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.opens})
        << c.link;
  }
  // A refused link clicked again is not reported again; an empty one never is.
  EXPECT_FALSE(pf::OpenWebLink("Help.html"));
  EXPECT_FALSE(pf::OpenWebLink(""));
  const std::string errors = testing::internal::GetCapturedStderr();
  const std::string log = orvane::test::ReadFile(pf::RunLogFile());
  int refused = 0;
  for (const Case& c : cases) {
    if (!c.opens.empty()) continue;
    ++refused;
    const std::string said = "the link \"" + c.link + "\" is not a web address; it was not opened";
    EXPECT_NE(errors.find(said), std::string::npos) << c.link << "\n" << errors;
    EXPECT_NE(log.find(said), std::string::npos) << c.link;
  }
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), refused) << errors;
  EXPECT_FALSE(pf::RunFailed());  // a refused link is no failure of the run
}

TEST_F(Launches, AnExistingLocalFileOpensAsAFileUrl) {
  const auto folder = orvane::test::MakeTempDir("help folder");
  orvane::test::WriteFile(folder / "Help.html", "<html></html>");
  EXPECT_TRUE(pf::ShellExecuteOpen((folder / "Help.html").string()));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].rfind("file:///", 0), 0u);
  EXPECT_NE(opened[0].find("help%20folder/Help.html"), std::string::npos);
  EXPECT_FALSE(pf::ShellExecuteOpen(folder.string()));  // a folder is no document
}

}  // namespace
