#pragma once
// Which picture formats the imaging library reads, told by a file's content
// (never by its name), and why a picture could not be read, as one line of text.
#include <cstddef>
#include <cstdint>
#include <string>

namespace orvane::imaging {

enum class PictureFormat { kUnknown, kJpeg, kBmp, kPng, kWebp, kHeic };

// The format the first bytes of a file announce (16 bytes are enough for each;
// more are looked at for HEIF's list of brands when given).
PictureFormat SniffPictureFormat(const std::uint8_t* data, std::size_t size);
// As above, for the first bytes of a file; kUnknown when it cannot be read or is
// no regular file.
PictureFormat SniffPictureFormat(const std::string& path);
// "JPEG", "BMP", "PNG", "WebP", "HEIC"; "unknown".
const char* PictureFormatName(PictureFormat format);
// Whether this build decodes the format (WebP needs Qt's image format plugin at
// run time, HEIC libheif with a HEVC decoder).
bool CanDecodeFormat(PictureFormat format);

// The size a picture is seen at (a JPEG's EXIF orientation applied), read from
// the first bytes of the file without decoding; false when that is not known
// before decoding (formats other than JPEG, a file that cannot be read).
bool PictureSize(const std::string& path, int& width, int& height);

// Why the last failed load or conversion on this thread failed, as one line
// without a line break ("not a picture that can be read: ...", "JPEG data cut
// short or corrupt", "file not found", ...); empty when the last one succeeded.
std::string LastErrorReason();

// Reads and decodes the whole file as the show would (at full size); true when
// it can be shown, else false with the reason (as LastErrorReason gives it).
bool CheckPicture(const std::string& path, std::string& reason);

}  // namespace orvane::imaging
