// ui/ImageWriter.cpp — PNG and JPEG encoders over libpng and libjpeg.
//
// Both libraries report errors by a long jump. The jumps stay inside the
// Encode* functions, which hold no object with a destructor; the callers own
// the file, the pixels and the temporary name.

#include "ui/ImageWriter.h"

#include "platform/Debug.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace {

constexpr const char* kTemporarySuffix = ".part";

// Rows of 8-bit R, G, B, top to bottom.
struct RgbRows {
    QImage pixels;                 // Format_RGB888, owns the bytes
    std::vector<unsigned char*> rows;
};

RgbRows ToRgbRows(const QImage& image) {
    RgbRows rgb{image.convertToFormat(QImage::Format_RGB888), {}};
    for (int y = 0; y < rgb.pixels.height(); ++y) rgb.rows.push_back(rgb.pixels.scanLine(y));
    return rgb;
}

// --- PNG ---

[[noreturn]] void PngError(png_structp png, png_const_charp message) {
    platform::DebugPrintf("PNG: %s", message);
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

bool EncodePng(FILE* file, unsigned char** rows, int width, int height) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// --- JPEG ---

struct JpegError {
    jpeg_error_mgr manager;  // first, so the library's pointer is also ours
    std::jmp_buf jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr info) {
    char message[JMSG_LENGTH_MAX];
    info->err->format_message(info, message);
    platform::DebugPrintf("JPEG: %s", message);
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void JpegSilent(j_common_ptr) {}

bool EncodeJpeg(FILE* file, unsigned char** rows, int width, int height, int quality) {
    jpeg_compress_struct cinfo;
    JpegError error;
    cinfo.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegErrorExit;
    error.manager.output_message = JpegSilent;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height)
        jpeg_write_scanlines(&cinfo, rows + cinfo.next_scanline, cinfo.image_height - cinfo.next_scanline);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// --- the file ---

// Encodes into "<hostPath>.part", closes it with its errors checked, and renames
// it over hostPath; on any failure the temporary is removed and the target is
// left as it was.
template <typename Encode>
bool WriteThroughTemporary(const std::string& hostPath, const QImage& image, Encode encode) {
    if (image.isNull()) return false;
    RgbRows rgb = ToRgbRows(image);
    const std::string temporary = hostPath + kTemporarySuffix;
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        platform::DebugPrintf("cannot create %s", temporary.c_str());
        return false;
    }
    bool ok = encode(file, rgb.rows.data(), rgb.pixels.width(), rgb.pixels.height());
    ok = std::fflush(file) == 0 && !std::ferror(file) && ok;
    ok = std::fclose(file) == 0 && ok;
    std::error_code ec;
    if (ok) std::filesystem::rename(temporary, hostPath, ec);
    if (!ok || ec) {
        std::filesystem::remove(temporary, ec);
        platform::DebugPrintf("cannot write %s", hostPath.c_str());
        return false;
    }
    return true;
}

} // namespace

bool WritePng(const std::string& hostPath, const QImage& image) {
    return WriteThroughTemporary(hostPath, image, EncodePng);
}

bool WriteJpeg(const std::string& hostPath, const QImage& image, int quality) {
    const int clamped = std::clamp(quality, 1, 100);
    return WriteThroughTemporary(hostPath, image, [clamped](FILE* file, unsigned char** rows, int w, int h) {
        return EncodeJpeg(file, rows, w, h, clamped);
    });
}
