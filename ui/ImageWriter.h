#pragma once
// ui/ImageWriter.h — the saved graph picture as a PNG (libpng) or JPEG
// (libjpeg) file: 24-bit RGB, rows top to bottom. The picture is encoded in
// memory and written through the durable write (platform/DurableWrite.h), so
// a failure or a power cut never leaves a half-written or missing-but-replaced
// picture. Failures return false (or no bytes) and print one diagnostic; they
// never abort.

#include <QImage>

#include <string>

constexpr int kGraphPictureWidth = 800;  // px, the saved graph
constexpr int kGraphPictureHeight = 600;
constexpr int kDefaultJpegQuality = 75;  // 1-100

// The encoded file; empty for a null image or when the encoder refuses it.
std::string PngBytes(const QImage& image);
// quality: 1-100, clamped.
std::string JpegBytes(const QImage& image, int quality = kDefaultJpegQuality);

// False for a null image or when the file cannot be written.
bool WritePng(const std::string& hostPath, const QImage& image);

// quality: 1-100, clamped.
bool WriteJpeg(const std::string& hostPath, const QImage& image, int quality = kDefaultJpegQuality);
