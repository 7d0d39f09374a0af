#include "saver/InfoPanel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <optional>

#include "core/Globals.h"
#include "core/ImageDescription.h"
#include "imaging/gdi.h"
#include "platform/events.h"
#include "platform/picturebox.h"
#include "platform/regular_file.h"
#include "platform/vbruntime.h"
#include "saver/Panning.h"
#include "saver/TitleCalendar.h"

namespace orvane::saver {

using platform::CInt;
using platform::CLng;
using platform::Int;

namespace {

constexpr char16_t kIdeographicFullStop = 0x3002;
// A panel text is a few paragraphs; more than this is not read.
constexpr std::size_t kMaxPanelFileBytes = 1 << 20;

// Caption lines: CR LF or LF separated; a final line break adds no line.
QStringList CaptionLines(const QString& caption) {
  QString plain = caption;
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QStringList lines = plain.split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines;
}

// The file's lines as Line Input reads them: CR LF, LF or CR end a line; text
// after the last line break is a line of its own.
QStringList FileLines(const QString& text) {
  QString plain = text;
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QStringList lines = plain.split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines;
}

int LanguageNumber(const std::string& languageName) {
  for (std::size_t i = 0; i < core::kLanguageTable.size(); ++i) {
    if (languageName == core::kLanguageTable[i]) return int(i) + 1;
  }
  return 1;
}

// The panel's width for this slide: the one Form_Resize stored for stretched
// slides, 3.5 quarters of the visible picture's width for unstretched ones.
int PanelWidth(SaverScreen& screen) {
  const int dispWidth = screen.picDisp->ScaleWidth();
  const auto fromWidth = [](int width) { return CLng(CInt(width / 4.0) * 3.5); };
  if (screen.Stretch) {
    const double stored = platform::Val(screen.picDesc->Tag);
    if (stored >= 1 && stored <= dispWidth) return CLng(stored);
    return fromWidth(dispWidth);
  }
  const int visible = screen.ImageWidth > 0 ? std::min(screen.ImageWidth, dispWidth) : dispWidth;
  const int width = fromWidth(visible);
  screen.picDesc->Tag = " " + std::to_string(width);
  return width;
}

}  // namespace

void LabelModel::SizeToCaption() {
  const QFontMetrics metrics(platform::MakeQFont(Font));
  const QStringList lines = CaptionLines(Caption);
  int widest = 0;
  for (const QString& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line));
  Width = widest;
  Height = metrics.height() * int(lines.size());
}

void SaverWindowCalls::DispTitle(SaverScreen& screen) { saver::DispTitle(screen); }
void SaverWindowCalls::DispCalender(SaverScreen& screen) { saver::DispCalender(screen); }
void SaverWindowCalls::ExecutePan(SaverScreen& screen) { saver::ExecutePan(screen, *this); }

QString NextWord(QString& text) {
  if (text.isEmpty()) return {};
  const qsizetype blank = text.indexOf(QLatin1Char(' '));
  if (blank < 0) {
    QString word = text;
    text.clear();
    return word;
  }
  QString word = text.left(blank);
  text.remove(0, blank + 1);
  return word;
}

QString NextChar(QString& text) {
  if (text.isEmpty()) return {};
  const qsizetype length = text.size() > 1 && text[0].isHighSurrogate() && text[1].isLowSurrogate()
                               ? 2
                               : 1;
  QString character = text.left(length);
  text.remove(0, length);
  return character;
}

int WrapLimit(const platform::PictureBox& picDesc) {
  return CInt((picDesc.Width() - picDesc.TextWidth(QStringLiteral("WWWW"))) * 0.66);
}

namespace {

// Text widths in the font the panel's lines are drawn in.
class BreakMeasure {
 public:
  BreakMeasure(const platform::PictureBox& picDesc, const platform::FontSpec* labelFont)
      : picDesc_(picDesc), metrics_(labelFont ? std::optional<QFontMetrics>(platform::MakeQFont(*labelFont))
                                              : std::nullopt) {}
  double Width(const QString& text) const {
    return metrics_ ? metrics_->horizontalAdvance(text) : picDesc_.TextWidth(text);
  }
  int Limit() const { return std::max(int(CLng(picDesc_.Width() - Width(QStringLiteral("WW")))), 1); }

 private:
  const platform::PictureBox& picDesc_;
  std::optional<QFontMetrics> metrics_;
};

}  // namespace

int BreakLimit(const platform::PictureBox& picDesc, const platform::FontSpec* labelFont) {
  return BreakMeasure(picDesc, labelFont).Limit();
}

namespace {

// Wraps text at limit; a word that reaches the break limit is broken at it.
int WrapAt(const platform::PictureBox& picDesc, bool eastAsian, const QString& text, int limit,
           std::vector<QString>& lines, const platform::FontSpec* labelFont) {
  const BreakMeasure measure(picDesc, labelFont);
  const int breakLimit = measure.Limit();
  const auto tooWide = [&](const QString& candidate) {
    return CLng(picDesc.TextWidth(candidate)) >= limit || measure.Width(candidate) >= breakLimit;
  };
  QString rest = text;
  std::vector<QString> out;
  QString line;
  while (!rest.isEmpty()) {
    QString piece = eastAsian ? NextChar(rest) : NextWord(rest);
    if (piece.isEmpty()) continue;  // blanks in a row
    if (measure.Width(piece) >= breakLimit) {
      // Too wide for the panel itself: whole lines of as many characters as
      // fit (at least one), the rest goes on as a word of its own.
      if (!line.isEmpty()) out.push_back(line);
      line.clear();
      while (measure.Width(piece) >= breakLimit) {
        QString head;
        QString tail = piece;
        for (;;) {
          QString next = tail;
          const QString character = NextChar(next);
          if (!head.isEmpty() && measure.Width(head + character) >= breakLimit) break;
          head += character;
          tail = next;
        }
        out.push_back(head);
        piece = tail;
        if (int(out.size()) > kMaxParagraphLines) return -1;
      }
      if (piece.isEmpty()) continue;
    }
    if (line.isEmpty()) {
      line = piece;
      continue;
    }
    const QString candidate = eastAsian ? line + piece : line + QLatin1Char(' ') + piece;
    if (!tooWide(candidate)) {
      line = candidate;
    } else if (eastAsian && piece.size() == 1 && piece[0] == QChar(kIdeographicFullStop)) {
      // A full stop never starts a line: it closes the one it follows.
      out.push_back(candidate);
      line.clear();
    } else {
      out.push_back(line);
      line = piece;
    }
    if (int(out.size()) > kMaxParagraphLines) return -1;
  }
  if (!line.isEmpty() || out.empty()) out.push_back(line);
  if (int(out.size()) > kMaxParagraphLines) return -1;
  lines = std::move(out);
  return int(lines.size()) - 1;
}

}  // namespace

int WrapParagraph(const platform::PictureBox& picDesc, bool eastAsian, const QString& text,
                  std::vector<QString>& lines, const platform::FontSpec* labelFont) {
  return WrapAt(picDesc, eastAsian, text, WrapLimit(picDesc), lines, labelFont);
}

platform::CodePage TextCodePage(const std::string& languageName, const std::string& file) {
  if (core::IsUtf8DescriptionFile(file)) return platform::CodePage::Utf8;
  return platform::CodePageForLanguage(LanguageNumber(languageName));
}

bool ReadPanelText(SaverScreen& screen, const std::string& fileName,
                   std::vector<QString>& lines) {
  std::string bytes;
  if (!platform::ReadRegularFile(core::OpenableSetPath(fileName), kMaxPanelFileBytes, bytes))
    return false;
  const QStringList fileLines = FileLines(platform::ToQString(
      bytes, platform::HasUtf8Bom(bytes)
                 ? platform::CodePage::Utf8
                 : platform::CodePageForLanguage(LanguageNumber(screen.LanguageName))));

  const QString marker = QString::fromStdString(screen.LanguageName) + QLatin1Char('=');
  qsizetype next = 0;
  while (next < fileLines.size() && !fileLines[next].contains(marker)) ++next;
  if (next >= fileLines.size()) return false;
  const QString& titleLine = fileLines[next++];
  screen.PanelTitle = titleLine.mid(titleLine.indexOf(QLatin1Char('=')) + 1);
  if (screen.PanelTitle.isEmpty()) return false;

  // A title too wide for the panel is wrapped at the panel's width.
  const platform::FontSpec& font = screen.lblDesc.Font;
  const int breakLimit = BreakLimit(*screen.picDesc, &font);
  std::vector<QString> collection{screen.PanelTitle};
  if (BreakMeasure(*screen.picDesc, &font).Width(screen.PanelTitle) >= breakLimit &&
      WrapAt(*screen.picDesc, screen.EastAsian, screen.PanelTitle, INT_MAX, collection, &font) < 0)
    return false;
  if (screen.ShowText != 0) {
    collection.emplace_back();
    for (;;) {
      // A separator line (ignored), then the paragraph; the file must close
      // with an empty paragraph line.
      if (next + 1 >= fileLines.size()) return false;
      const QString& paragraph = fileLines[next + 1];
      next += 2;
      if (paragraph.isEmpty()) break;
      std::vector<QString> wrapped;
      if (WrapParagraph(*screen.picDesc, screen.EastAsian, paragraph, wrapped, &font) < 0) return false;
      collection.insert(collection.end(), wrapped.begin(), wrapped.end());
      collection.emplace_back();
    }
  }
  if (collection.size() > 1 && collection.back().isEmpty()) collection.pop_back();
  lines = std::move(collection);
  return true;
}

PanelRect LayOutPanel(SaverScreen& screen, const std::vector<QString>& lines) {
  QString caption;
  for (const QString& line : lines) caption += line + QStringLiteral("\r\n");
  screen.lblDesc.Caption = caption;
  screen.lblDescShadow.Caption = caption;
  screen.lblDesc.SizeToCaption();
  screen.lblDescShadow.SizeToCaption();

  const int width = PanelWidth(screen);
  const int height = screen.lblDesc.Height + screen.Scaled(12);
  screen.picDesc->Resize(width, height);
  const platform::PictureBox& disp = *screen.picDisp;
  screen.DescTop = int(Int((disp.ScaleHeight() - height) / 2.0));
  screen.DescLeft = int(Int((disp.ScaleWidth() - width) / 2.0));
  screen.lblDesc.Left = CLng((width - screen.lblDesc.Width) / 2.0);
  screen.lblDesc.Top = CLng((height - screen.lblDesc.Height) / 2.0);
  screen.lblDescShadow.Left = screen.lblDesc.Left + screen.Scaled(2);
  screen.lblDescShadow.Top = screen.lblDesc.Top + screen.Scaled(2);
  return CurrentPanelRect(screen);
}

PanelRect CurrentPanelRect(const SaverScreen& screen) {
  if (screen.picDesc == nullptr) return {};
  return {screen.DescLeft, screen.DescTop, screen.picDesc->Width(), screen.picDesc->Height()};
}

void ShowInfoPanel(SaverScreen& screen, SaverWindowCalls& calls) {
  screen.PanelTitle.clear();
  screen.OverlayAreas.clear();
  if (!screen.EntryName.empty() && screen.ShowText != 0 && screen.EntryName != "NULL" &&
      screen.picDisp != nullptr && screen.picDesc != nullptr) {
    const std::string file =
        core::PanelTextFile(screen.ProgramFolder, screen.EntryPath, screen.LanguageName);
    // Wrap to this slide's panel width, not the previous slide's.
    screen.picDesc->Resize(PanelWidth(screen), std::max(screen.picDesc->Height(), 1));
    std::vector<QString> lines;
    if (ReadPanelText(screen, file, lines)) {
      const PanelRect r = LayOutPanel(screen, lines);
      DarkenRect(screen, {r.Left, r.Top, r.Width, r.Height}, kPanelLevel);
      imaging::BitBlt(screen.picDesc->hDC(), 0, 0, r.Width, r.Height, screen.picDisp->hDC(),
                      r.Left, r.Top, imaging::kSrcCopy);
      screen.picDesc->SetAutoRedraw(true);
      screen.picDesc->Refresh();
      screen.lblDesc.Visible = true;
      screen.lblDescShadow.Visible = true;
      screen.DescVisible = true;
      calls.PanelChanged();
      calls.StartInfoCountdown();
      return;
    }
  }
  calls.DispTitle(screen);
  if (!screen.IsTitlePage) calls.DispCalender(screen);
  if (screen.PanDirection.empty()) {
    calls.StartSlideClock();
  } else {
    calls.ExecutePan(screen);
  }
}

void RestorePanelBackground(SaverScreen& screen) {
  if (screen.picDisp == nullptr || screen.picStretch == nullptr) return;
  const PanelRect r = CurrentPanelRect(screen);
  const OverlayRect visible = ClipToScreen(screen, {r.Left, r.Top, r.Width, r.Height});
  if (visible.Width <= 0 || visible.Height <= 0) return;
  platform::PictureBox& disp = *screen.picDisp;
  int offsetX = screen.PanX;
  int offsetY = screen.PanY;
  OverlayRect area = visible;
  if (!screen.PanDirection.empty()) {
    // A panorama shown in a centred area of the screen (at its own size): only
    // that area is picture; around it the screen is black. For a strip that
    // fills the screen the area is the whole screen.
    const PanArea view = PanViewArea(screen.PanMode, screen.picStretch->Width(),
                                     screen.picStretch->Height(), disp.Width(), disp.Height());
    offsetX -= view.Left;
    offsetY -= view.Top;
    const int left = std::max(visible.Left, view.Left);
    const int top = std::max(visible.Top, view.Top);
    const int right = std::min(visible.Left + visible.Width, view.Left + view.Width);
    const int bottom = std::min(visible.Top + visible.Height, view.Top + view.Height);
    area = {left, top, std::max(right - left, 0), std::max(bottom - top, 0)};
  }
  {
    // What the strip does not cover goes back to the black surround.
    QImage surface = disp.SurfaceView();
    QPainter painter(&surface);
    painter.fillRect(visible.Left, visible.Top, visible.Width, visible.Height, Qt::black);
  }
  if (area.Width > 0 && area.Height > 0) {
    imaging::BitBlt(disp.hDC(), area.Left, area.Top, area.Width, area.Height,
                    screen.picStretch->hDC(), area.Left + offsetX, area.Top + offsetY,
                    imaging::kSrcCopy);
  }
  disp.Refresh();
}

void EndInfoPanel(SaverScreen& screen, SaverWindowCalls& calls) {
  screen.DescVisible = false;
  screen.lblDesc.Visible = false;
  calls.PanelChanged();
  platform::DoEvents();
  if (core::QuitSaver) return;
  RestorePanelBackground(screen);
  calls.DispTitle(screen);
  if (!screen.IsTitlePage) calls.DispCalender(screen);
  if (!screen.PanDirection.empty()) calls.ExecutePan(screen);
  if (!core::QuitSaver) calls.StartSlideClock();
}

QImage RenderPanel(const SaverScreen& screen) {
  if (screen.picDesc == nullptr) return {};
  QImage image = screen.picDesc->Image();
  if (image.isNull()) return image;
  QPainter painter(&image);
  for (const LabelModel* label : {&screen.lblDescShadow, &screen.lblDesc}) {
    if (!label->Visible) continue;
    const QFont font = platform::MakeQFont(label->Font);
    const QFontMetrics metrics(font);
    painter.setFont(font);
    painter.setPen(label->ForeColor);
    const QStringList lines = CaptionLines(label->Caption);
    for (int i = 0; i < lines.size(); ++i) {
      painter.drawText(label->Left, label->Top + i * metrics.height() + metrics.ascent(), lines[i]);
    }
  }
  return image;
}

}  // namespace orvane::saver
