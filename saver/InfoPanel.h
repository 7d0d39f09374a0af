#pragma once
// The information panel: a darkened box in the middle of the screen holding the
// slide's title and the paragraphs of its text file, in the chosen language.
//
// ShowInfoPanel runs at the end of each transition. When it shows the panel it
// starts the window's countdown (tmrInfo); when the countdown ends the window
// calls EndInfoPanel, which puts the slide back under the panel and finishes the
// slide (title, calendar, pan or slide clock). Without a panel ShowInfoPanel
// finishes the slide itself.
#include <QImage>
#include <QString>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "saver/SaverScreen.h"

namespace orvane::saver {

// A paragraph may wrap into at most this many lines; a longer one leaves the
// slide without a panel.
inline constexpr int kMaxParagraphLines = 20;

// Empty text gives "". Otherwise the part before the first blank, which text
// loses together with the blank; without a blank the whole text.
QString NextWord(QString& text);
// The first character (a whole code point), which text loses; "" for "".
QString NextChar(QString& text);

// The width a panel line must stay below: 0.66 of picDesc's width less
// "WWWW", measured in picDesc's font.
int WrapLimit(const platform::PictureBox& picDesc);

// The width no panel line reaches: picDesc's width less "WW", so a little air
// stays on either side of the centred text; measured in labelFont (the panel
// label's, in which the lines are drawn) when given, else in picDesc's font.
int BreakLimit(const platform::PictureBox& picDesc, const platform::FontSpec* labelFont = nullptr);

// Wraps one paragraph into lines(0), lines(1), ... and returns the index of the
// last line written, or -1 when it would take more than kMaxParagraphLines
// lines. By words, or by characters when eastAsian; blanks in a row count as
// one. With character wrap an ideographic full stop (U+3002) that would start a
// line ends the previous one instead. A word or character wider than the limit
// stays on a line of its own; a word that reaches the break limit (a web
// address, a long compound) is broken there, into pieces as long as fit, the
// last of which may be followed by the next words. lines is resized to the
// lines written.
int WrapParagraph(const platform::PictureBox& picDesc, bool eastAsian, const QString& text,
                  std::vector<QString>& lines, const platform::FontSpec* labelFont = nullptr);

// The code page a panel or description file is drawn in: UTF-8 when it starts
// with the byte-order mark, else the language's code page.
platform::CodePage TextCodePage(const std::string& languageName, const std::string& file);

// Reads the panel's text file (a path as listed; "\" and case are resolved):
// the first line containing LanguageName & "=" gives the title (the text after
// its first "="; sets screen.PanelTitle), then separator / paragraph line pairs
// up to the first empty paragraph. lines: the title (broken at the break limit
// like a paragraph when it reaches it); when ShowText is not 0, an
// empty line, then per paragraph its wrapped lines and an empty line; a final
// empty line is dropped. False (lines untouched) when the file is missing, has
// no title line or an empty title, ends before the closing empty paragraph, or a
// paragraph wraps into too many lines; PanelTitle keeps a title found before.
bool ReadPanelText(SaverScreen& screen, const std::string& fileName,
                   std::vector<QString>& lines);

// The panel's rectangle on picDisp.
struct PanelRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const PanelRect&) const = default;
};

// Lays the panel out for the caption lines: both labels get the caption and
// their size, picDesc its size (the label's height + 12) and place, centred on
// picDisp. Stretched slides use the width stored in picDesc's Tag; unstretched
// ones 3.5 x CInt(ImageWidth / 4) of the visible picture (never wider than the
// screen), which is stored back in the Tag. Returns the rectangle.
PanelRect LayOutPanel(SaverScreen& screen, const std::vector<QString>& lines);

// After each transition: shows the panel for the slide (darkened background at
// level 50, labels visible, countdown started) or, when there is none, finishes
// the slide: DispTitle, DispCalender (not on the title page), then ExecutePan or
// the slide clock.
void ShowInfoPanel(SaverScreen& screen, SaverWindowCalls& calls);

// The panel's rectangle as it was laid out (picDesc's place and size).
PanelRect CurrentPanelRect(const SaverScreen& screen);

// Copies the slide back over the panel's rectangle from picStretch: the point
// (PanX, PanY) of the strip lies at the top-left of the strip's window on
// screen (the whole screen, or for a panorama shown at its own size the
// centred area of Panning.h's PanViewArea); the rest of the rectangle is the
// black surround. picStretch of a slide that does not pan covers the screen.
void RestorePanelBackground(SaverScreen& screen);

// When the countdown has ended: hides the panel, restores the slide under it,
// then DispTitle, DispCalender (not on the title page), ExecutePan for a
// panning slide, and the slide clock (unless the show is ending).
void EndInfoPanel(SaverScreen& screen, SaverWindowCalls& calls);

// picDesc with its labels drawn on it (shadow first), as the window shows it at
// (DescLeft, DescTop) while DescVisible.
QImage RenderPanel(const SaverScreen& screen);

}  // namespace orvane::saver
