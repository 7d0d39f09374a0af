#pragma once
// File writers of the demo generator: whole files replaced atomically, 24-bit
// BMP thumbnails, JPEG pictures, a PCM WAV chord and CR LF text.
#include <QImage>
#include <filesystem>
#include <string>
#include <vector>

namespace orvane::demo {

// Writes bytes to path through a temporary file in the same folder and a
// rename, so a reader never sees half a file. Throws std::runtime_error.
void WriteFileAtomically(const std::filesystem::path& path, const std::string& bytes);

// A bottom-up 24-bit BMP of the image.
std::string EncodeBmp24(const QImage& image);
// A baseline JPEG of the image at the given quality.
std::string EncodeJpeg(const QImage& image, int quality);
// A soft chord: 16-bit mono PCM at 22050 Hz, the given frequencies summed under
// a slow swell and fade.
std::string EncodeChordWav(const std::vector<double>& frequencies, double seconds);

// Lines joined with CR LF, the last one too.
std::string CrLfLines(const std::vector<std::string>& lines);

}  // namespace orvane::demo
