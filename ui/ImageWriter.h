#pragma once
// ui/ImageWriter.h — the saved graph picture as a PNG (libpng) or JPEG
// (libjpeg) file: 24-bit RGB, rows top to bottom. The picture goes to a
// temporary file beside the target and is renamed into place only when
// complete, so a failure never leaves a half-written or missing-but-replaced
// picture. Failures return false and print one diagnostic; they never abort.

#include <QImage>

#include <string>

constexpr int kGraphPictureWidth = 800;  // px, the saved graph
constexpr int kGraphPictureHeight = 600;
constexpr int kDefaultJpegQuality = 75;  // 1-100

// False for a null image or when the file cannot be written.
bool WritePng(const std::string& hostPath, const QImage& image);

// quality: 1-100, clamped.
bool WriteJpeg(const std::string& hostPath, const QImage& image, int quality = kDefaultJpegQuality);
