#pragma once
// The decoders of formats beyond JPEG and BMP, EXIF orientation, and the text
// reason of a failed load. Internal to the imaging library.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/formats.h"
#include "imaging/imaging.h"
#include "imaging/store.h"

namespace orvane::imaging::detail {

// The reason LastErrorReason gives (line breaks become spaces); cleared when a
// load starts.
void SetErrorReason(std::string reason);
void ClearErrorReason();
// The reason as set on this thread (empty when none was).
std::string CurrentErrorReason();
// Sets LastError and the reason; returns nullptr.
std::unique_ptr<Picture> FailWith(int error, std::string reason);

// Decodes a picture held in memory by its content: JPEG (DCT-scaled to the
// target, turned upright by its EXIF orientation), BMP, PNG, WebP or HEIC. The
// target is asked with the size the picture is seen at. nullptr, LastError and
// a reason on failure.
std::unique_ptr<Picture> DecodeByContent(const std::uint8_t* data, std::size_t size,
                                         const TargetForSize& target);

// Whether the decoder of a PNG, WebP or HEIC file is there at run time.
bool DecoderAvailable(PictureFormat format);

// PNG and WebP through Qt's image readers, HEIC through libheif. The target is
// asked with the picture's own size; these formats decode at full size whatever
// it answers. nullptr with LastError and a reason on failure.
std::unique_ptr<Picture> DecodeWithQt(const std::uint8_t* data, std::size_t size,
                                      PictureFormat format, const TargetForSize& target);
std::unique_ptr<Picture> DecodeHeif(const std::uint8_t* data, std::size_t size,
                                    const TargetForSize& target);

}  // namespace orvane::imaging::detail
