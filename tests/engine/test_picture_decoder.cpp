#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/picture_decoder.h"
#include "tests/support/temp_folder.h"

namespace {

// A grey picture of w x h pixels whose first pixel's value is w, so that mixed-up results show.
std::string WritePicture(const TempFolder& folder, int w, int h) {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF, 0xFF00, 0xFF0000, 0);
    std::memset(s->pixels, w, 3);
    const std::string file = folder.File(std::to_string(w) + "x" + std::to_string(h) + ".bmp");
    SDL_SaveBMP(s, file.c_str());
    SDL_FreeSurface(s);
    return file;
}

}  // namespace

// Every picture comes out as decoding it directly gives it, whether a worker, the asking thread
// or no decoder decoded it; files that cannot be decoded ahead (missing, a FIFO that would block)
// neither hang the decoder nor hide the reason of the failure.
TEST(PictureDecoderTest, HandsOutEachPictureAsDecodingItDirectlyWould) {
    TempFolder folder;
    std::vector<std::string> files;
    for (int i = 1; i <= 6; ++i) {
        files.push_back(WritePicture(folder, 8 * i, 3 + i));
    }
    const std::string fifo = folder.File("fifo.bmp");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string missing = folder.File("missing.png");
    std::vector<std::string> listed = files;
    listed.push_back(fifo);
    listed.push_back(missing);
    const std::string unlisted = WritePicture(folder, 5, 7);

    CPictureDecoder decoder(listed);
    const CPictureDecoder second(files);
    std::vector<std::string> asked = files;
    asked.push_back(files[0]);
    asked.push_back(unlisted);
    for (const std::string& file : asked) {
        std::string error;
        SDL_Surface* s = DecodePicture(file, error);
        ASSERT_NE(s, nullptr) << file << ": " << error;
        EXPECT_EQ(file, folder.File(std::to_string(s->w) + "x" + std::to_string(s->h) + ".bmp"));
        EXPECT_EQ(static_cast<Uint8*>(s->pixels)[0], s->w % 256) << file;
        SDL_FreeSurface(s);
    }
    std::string error;
    EXPECT_EQ(DecodePicture(missing, error), nullptr);
    EXPECT_FALSE(error.empty());
}
