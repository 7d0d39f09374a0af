#include "platform/command_line.h"

#include <unistd.h>

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "platform/runlog.h"

namespace orvane::platform {

namespace {

// Qt platforms that draw without a display server.
bool NeedsNoDisplay(std::string platform) {
  platform = platform.substr(0, platform.find_first_of(":;"));
  for (const char* name : {"offscreen", "minimal", "minimalegl", "vnc", "linuxfb", "eglfs", "vkkhrdisplay"})
    if (platform == name) return true;
  return false;
}

bool Set(const char* variable) {
  const char* value = std::getenv(variable);
  return value && *value;
}

// The platform Qt will open: "-platform NAME" on the command line, else
// QT_QPA_PLATFORM.
std::string ChosenPlatform(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return argv[i + 1];
  const char* value = std::getenv("QT_QPA_PLATFORM");
  return value ? value : "";
}

struct HeldMessage {
  QtMsgType type;
  std::string category;
  QString text;
};

std::string g_program;
bool g_unattended = false;
QtMessageHandler g_before = nullptr;
std::vector<HeldMessage>* g_held = nullptr;

[[noreturn]] void EndWithoutDisplay() {
  const std::string line = NoDisplayLine();
  std::cerr << g_program << ": " << line << std::endl;
  if (g_unattended) AppendRunLog(line);
  std::fflush(nullptr);
  _exit(1);
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  // Qt's fatal message while it opens its platform: there is no display.
  if (type == QtFatalMsg) EndWithoutDisplay();
  if (g_held) g_held->push_back({type, context.category ? context.category : "", text});
}

}  // namespace

const char* ProgramVersion() { return ORVANE_VERSION; }

std::optional<int> AnswerHelpOrVersion(int argc, char** argv, const std::string& program,
                                       const std::string& usage, const std::vector<std::string>& moreHelp) {
  if (argc < 2) return std::nullopt;
  const std::string first = argv[1];
  bool help = first == "--help" || first == "-h";
  for (const std::string& other : moreHelp) help = help || first == other;
  if (help) {
    std::fputs(usage.c_str(), stdout);
    return 0;
  }
  if (first == "--version") {
    std::printf("%s %s\n", program.c_str(), ProgramVersion());
    return 0;
  }
  return std::nullopt;
}

std::string NoDisplayLine() {
  return "There is no display to show on: neither DISPLAY nor WAYLAND_DISPLAY names one that can be opened.";
}

DisplayCheck::DisplayCheck(int argc, char** argv, const std::string& program, bool unattended) {
  g_program = program;
  g_unattended = unattended;
  if (!NeedsNoDisplay(ChosenPlatform(argc, argv)) && !Set("DISPLAY") && !Set("WAYLAND_DISPLAY"))
    EndWithoutDisplay();
  g_held = new std::vector<HeldMessage>;
  g_before = qInstallMessageHandler(HoldMessage);
}

DisplayCheck::~DisplayCheck() {
  qInstallMessageHandler(g_before);
  std::vector<HeldMessage>* held = g_held;
  g_held = nullptr;
  for (const HeldMessage& message : *held) {
    const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
    qt_message_output(message.type, context, message.text);
  }
  delete held;
}

}  // namespace orvane::platform
