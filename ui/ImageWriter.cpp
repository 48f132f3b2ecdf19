// ui/ImageWriter.cpp — PNG and JPEG encoders over libpng and libjpeg.
//
// Both libraries report errors by a long jump. The jumps stay inside the
// Encode* functions, which hold no object with a destructor; the callers own
// the output, the pixels and the file.

#include "ui/ImageWriter.h"

#include "platform/Debug.h"
#include "platform/DurableWrite.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace {

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

void PngAppend(png_structp png, png_bytep data, size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void PngFlush(png_structp) {}

bool EncodePng(std::string* out, unsigned char** rows, int width, int height) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, PngAppend, PngFlush);
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

// What jpeg_mem_dest fills; the caller frees bytes (malloc'ed by the library).
struct JpegOutput {
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
};

bool EncodeJpeg(JpegOutput* out, unsigned char** rows, int width, int height, int quality) {
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
    jpeg_mem_dest(&cinfo, &out->bytes, &out->size);
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

bool WriteBytes(const std::string& hostPath, const std::string& bytes) {
    const bool written = !bytes.empty() && platform::WriteHostFileDurably(hostPath, [&bytes](std::ostream& os) {
        return static_cast<bool>(os.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
    });
    if (!written) platform::DebugPrintf("cannot write %s", hostPath.c_str());
    return written;
}

} // namespace

std::string PngBytes(const QImage& image) {
    if (image.isNull()) return {};
    RgbRows rgb = ToRgbRows(image);
    std::string bytes;
    if (!EncodePng(&bytes, rgb.rows.data(), rgb.pixels.width(), rgb.pixels.height())) return {};
    return bytes;
}

std::string JpegBytes(const QImage& image, int quality) {
    if (image.isNull()) return {};
    RgbRows rgb = ToRgbRows(image);
    JpegOutput out;
    const bool encoded =
        EncodeJpeg(&out, rgb.rows.data(), rgb.pixels.width(), rgb.pixels.height(), std::clamp(quality, 1, 100));
    std::string bytes;
    if (encoded && out.bytes != nullptr) bytes.assign(reinterpret_cast<const char*>(out.bytes), out.size);
    std::free(out.bytes);
    return bytes;
}

bool WritePng(const std::string& hostPath, const QImage& image) { return WriteBytes(hostPath, PngBytes(image)); }

bool WriteJpeg(const std::string& hostPath, const QImage& image, int quality) {
    return WriteBytes(hostPath, JpegBytes(image, quality));
}
