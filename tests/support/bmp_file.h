#pragma once

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

// Writes a w x h BMP file (3 bytes per pixel) whose pixel (x, y) is colour(x, y), 0xRRGGBB; returns its name.
inline std::string WriteBmp(const std::string& file, int w, int h,
                            const std::function<Uint32(int x, int y)>& colour) {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x] = colour(x, y);
        }
    }
    EXPECT_EQ(SDL_SaveBMP(s, file.c_str()), 0) << file;
    SDL_FreeSurface(s);
    return file;
}

inline std::string WriteSolidBmp(const std::string& file, int w, int h, Uint32 rgb) {
    return WriteBmp(file, w, h, [rgb](int, int) { return rgb; });
}

// Writes a w x h TGA file with an alpha channel whose pixel (x, y) is colour(x, y), 0xAARRGGBB;
// returns its name. (BMP files as SDL writes them carry no alpha.)
inline std::string WriteTga(const std::string& file, int w, int h,
                            const std::function<Uint32(int x, int y)>& colour) {
    // Uncompressed true colour, 32 bits a pixel with 8 of alpha, rows from the top.
    std::string bytes(12, '\0');
    bytes[2] = 2;
    bytes += {static_cast<char>(w),
              static_cast<char>(w >> 8),
              static_cast<char>(h),
              static_cast<char>(h >> 8),
              32,
              0x28};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Uint32 c = colour(x, y);
            bytes += {static_cast<char>(c), static_cast<char>(c >> 8), static_cast<char>(c >> 16),
                      static_cast<char>(c >> 24)};
        }
    }
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}
