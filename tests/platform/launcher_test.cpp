// Opening documents: which targets reach the desktop's opener and in what form.
#include "platform/launcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
