#include "worldedit/png_file.h"

#include <png.h>
#include <zlib.h>

namespace {

void Append(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void NoFlush(png_structp) {}

// libpng reports failures by a long jump back here; nothing with a destructor is made after it.
bool Encode(std::string& out, const std::vector<uint8_t>& pixels, int width, int height, int colourType,
            int bytesPerPixel, const std::vector<ASP_WE_Rgb>& palette) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, Append, NoFlush);
    // The fastest compression: the ground's grain would cost seconds at the default level.
    png_set_compression_level(png, Z_BEST_SPEED);
    png_set_filter(png, 0, PNG_FILTER_SUB);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color colours[256];
    for (size_t i = 0; i < palette.size() && i < 256; ++i) {
        colours[i] = {palette[i].r, palette[i].g, palette[i].b};
    }
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, colours, static_cast<int>(std::min<size_t>(palette.size(), 256)));
    }
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, pixels.data() + static_cast<size_t>(y) * width * bytesPerPixel);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::string EncodePng(const std::vector<uint8_t>& pixels, int width, int height, int colourType,
                      int bytesPerPixel, const std::vector<ASP_WE_Rgb>& palette) {
    std::string out;
    if (width <= 0 || height <= 0 ||
        pixels.size() < static_cast<size_t>(width) * static_cast<size_t>(height) * bytesPerPixel ||
        !Encode(out, pixels, width, height, colourType, bytesPerPixel, palette)) {
        return "";
    }
    return out;
}

}  // namespace

std::string EncodeRgbPng(const std::vector<uint8_t>& rgb, int width, int height) {
    return EncodePng(rgb, width, height, PNG_COLOR_TYPE_RGB, 3, {});
}

std::string EncodePalettePng(const std::vector<uint8_t>& indices, int width, int height,
                             const std::vector<ASP_WE_Rgb>& palette) {
    if (palette.empty() || palette.size() > 256) {
        return "";
    }
    return EncodePng(indices, width, height, PNG_COLOR_TYPE_PALETTE, 1, palette);
}
