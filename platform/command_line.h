#pragma once
// What every program does before it opens a window: answer "--help" and
// "--version" on standard output, and end with one clear line when there is
// no display to show on instead of letting Qt abort.
#include <optional>
#include <string>
#include <vector>

namespace orvane::platform {

// The version of the programs ("0.1").
const char* ProgramVersion();

// When the first argument asks for help ("--help", "-h" or one of moreHelp)
// the usage goes to standard output; for "--version" "<program> <version>".
// Either way the exit status to end with (0); otherwise nothing is printed and
// nothing is returned.
std::optional<int> AnswerHelpOrVersion(int argc, char** argv, const std::string& program,
                                       const std::string& usage,
                                       const std::vector<std::string>& moreHelp = {});

// Lives across the construction of the QApplication. Before it, a run whose Qt
// platform needs a display while neither DISPLAY nor WAYLAND_DISPLAY is set
// ends at once; during it, Qt failing to open its platform ends the run
// instead of aborting it. Either way the one line goes to standard error after
// the program's name (and, for an unattended run, into the run log), and the
// exit status is 1. Qt's own messages of the construction are held back and
// passed on once it succeeded.
class DisplayCheck {
 public:
  DisplayCheck(int argc, char** argv, const std::string& program, bool unattended);
  ~DisplayCheck();
  DisplayCheck(const DisplayCheck&) = delete;
  DisplayCheck& operator=(const DisplayCheck&) = delete;
};

// The line said when there is no display (tests compare with it).
std::string NoDisplayLine();

}  // namespace orvane::platform
