#pragma once
// Conversion of code-page text (ini, ".nfo" and "company.ini" bytes) to UTF-8 and
// QString, done only where text is drawn, shown or compared with names on disk.
#include <QString>
#include <string>
#include <string_view>

namespace orvane::platform {

// The code pages the programs' texts come in; the numbers are Windows' own.
enum class CodePage : int {
  Windows1252 = 1252,  // English, French, German, Spanish, Swedish
  Japanese = 932,
  ChineseSimplified = 936,
  Korean = 949,
  Utf8 = 65001,
};

// The code page of an information-panel language number (1 English, 2 French,
// 3 German, 4 Spanish, 5 Japanese, 6 Chinese, 7 Korean, 8 Swedish); anything
// else is windows-1252.
CodePage CodePageForLanguage(int language);

// True when bytes start with the UTF-8 byte-order mark.
bool HasUtf8Bom(std::string_view bytes);
// True when bytes are well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view bytes);

// Converts bytes in codePage to UTF-8. A leading UTF-8 byte-order mark overrides
// codePage and is dropped. Bytes that the code page does not define become
// U+FFFD, except the five holes of windows-1252 (0x81, 0x8D, 0x8F, 0x90, 0x9D),
// which map to the control characters of the same number as Windows maps them.
std::string ToUtf8(std::string_view bytes, CodePage codePage = CodePage::Windows1252);
QString ToQString(std::string_view bytes, CodePage codePage = CodePage::Windows1252);

// Converts UTF-8 to codePage bytes; characters the code page lacks become "?".
std::string FromUtf8(std::string_view utf8, CodePage codePage = CodePage::Windows1252);

// Names (of sets, pictures and files) are kept in one form whatever file they
// came from: windows-1252 bytes where the name converts without loss and those
// bytes cannot be read as UTF-8, else UTF-8. NameBytes makes that form of a
// UTF-8 name; NameToUtf8 and NameToQString read it back (well-formed UTF-8 with
// a byte above 0x7F is UTF-8, anything else windows-1252), so a name from a
// UTF-8 set file and one from a windows-1252 file are the same bytes.
std::string NameBytes(std::string_view utf8);
std::string NameToUtf8(std::string_view bytes);
QString NameToQString(std::string_view bytes);
// True when bytes are a name in its UTF-8 form (see NameBytes): it cannot be
// written into a windows-1252 file.
bool IsUtf8Name(std::string_view bytes);

}  // namespace orvane::platform
