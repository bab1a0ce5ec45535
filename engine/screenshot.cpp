#include "engine/screenshot.h"

#include <GL/gl.h>
#include <png.h>
#include <unistd.h>

#include <vector>

std::string ScreenshotName(std::time_t when, int number) {
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
    return std::string("screenshots\\") + stamp + (number > 1 ? "_" + std::to_string(number) : "") + ".png";
}

bool SaveFramePng(const std::string& path, int width, int height) {
    if (width <= 0 || height <= 0) {
        return false;
    }
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    // A negative row stride: OpenGL gives the bottom row first.
    if (png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), -width * 3, nullptr) == 0) {
        unlink(path.c_str());
        return false;
    }
    return true;
}
