#pragma once

#include <SDL/SDL.h>
#include <gtest/gtest.h>

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
