#include "platform/textcodec.h"

#include <iconv.h>

#include <cerrno>

namespace orvane::platform {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

const char* IconvName(CodePage codePage) {
  switch (codePage) {
    case CodePage::Japanese: return "CP932";
    case CodePage::ChineseSimplified: return "CP936";
    case CodePage::Korean: return "CP949";
    case CodePage::Utf8: return "UTF-8";
    case CodePage::Windows1252: break;
  }
  return "CP1252";
}

bool IsHoleOf1252(unsigned char byte) {
  return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

// Length of the UTF-8 sequence that starts with lead, 1 for a stray byte.
size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as possible; returns false at an invalid or unconvertible
  // sequence (input then points at it) or true when all input is used.
  bool Run(const char*& in, size_t& inLeft, std::string& out, int& error) {
    char buffer[4096];
    while (inLeft > 0) {
      char* outPtr = buffer;
      size_t outLeft = sizeof buffer;
      char* inPtr = const_cast<char*>(in);
      const size_t rc = iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<size_t>(outPtr - buffer));
      in = inPtr;
      if (rc == static_cast<size_t>(-1)) {
        if (errno == E2BIG) continue;
        error = errno;
        return false;
      }
    }
    return true;
  }

 private:
  iconv_t handle_;
};

}  // namespace

CodePage CodePageForLanguage(int language) {
  switch (language) {
    case 5: return CodePage::Japanese;
    case 6: return CodePage::ChineseSimplified;
    case 7: return CodePage::Korean;
    default: return CodePage::Windows1252;
  }
}

bool HasUtf8Bom(std::string_view bytes) { return bytes.substr(0, kBom.size()) == kBom; }

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    const size_t length = Utf8SequenceLength(lead);
    if (length == 1 || i + length > bytes.size()) return false;
    unsigned long code = lead & (0xFF >> (length + 1));
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    static constexpr unsigned long kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kMinimum[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

std::string ToUtf8(std::string_view bytes, CodePage codePage) {
  if (HasUtf8Bom(bytes)) {
    bytes.remove_prefix(kBom.size());
    codePage = CodePage::Utf8;
  }
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  Converter converter("UTF-8", IconvName(codePage));
  if (!converter.ok()) {
    // No converter: keep the ASCII and mark the rest.
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) < 0x80) out += c; else out += kReplacement;
    }
    return out;
  }
  const char* in = bytes.data();
  size_t inLeft = bytes.size();
  int error = 0;
  while (!converter.Run(in, inLeft, out, error)) {
    const auto byte = static_cast<unsigned char>(*in);
    if (codePage == CodePage::Windows1252 && IsHoleOf1252(byte)) {
      out += static_cast<char>(0xC2);
      out += static_cast<char>(byte);
    } else {
      out += kReplacement;
    }
    if (error == EINVAL) break;  // an incomplete sequence at the end
    ++in;
    --inLeft;
  }
  return out;
}

QString ToQString(std::string_view bytes, CodePage codePage) {
  const std::string utf8 = ToUtf8(bytes, codePage);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromUtf8(std::string_view utf8, CodePage codePage) {
  std::string out;
  out.reserve(utf8.size());
  Converter converter(IconvName(codePage), "UTF-8");
  if (!converter.ok()) {
    for (char c : utf8) out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    return out;
  }
  const char* in = utf8.data();
  size_t inLeft = utf8.size();
  int error = 0;
  while (!converter.Run(in, inLeft, out, error)) {
    out += '?';
    if (error == EINVAL) break;
    size_t skip = Utf8SequenceLength(static_cast<unsigned char>(*in));
    if (skip > inLeft || !IsValidUtf8(std::string_view(in, skip))) skip = 1;
    in += skip;
    inLeft -= skip;
  }
  return out;
}

bool IsUtf8Name(std::string_view bytes) {
  for (const char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return IsValidUtf8(bytes);
  return false;
}

std::string NameBytes(std::string_view utf8) {
  if (!IsValidUtf8(utf8)) return std::string(utf8);
  const std::string ansi = FromUtf8(utf8);
  // Lossless, and not bytes that would read back as other UTF-8 text.
  if (ToUtf8(ansi) == utf8 && !IsUtf8Name(ansi)) return ansi;
  return std::string(utf8);
}

std::string NameToUtf8(std::string_view bytes) {
  return IsUtf8Name(bytes) ? std::string(bytes) : ToUtf8(bytes, CodePage::Windows1252);
}

QString NameToQString(std::string_view bytes) {
  return IsUtf8Name(bytes) ? QString::fromUtf8(bytes.data(), qsizetype(bytes.size()))
                           : ToQString(bytes, CodePage::Windows1252);
}

}  // namespace orvane::platform
