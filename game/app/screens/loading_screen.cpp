#include "game/app/screens/loading_screen.h"

#include <SDL/SDL_ttf.h>

namespace {

const char* const kPicture = "gfx\\loading_startup.png";
const char* const kCaption = "Loading...";

}  // namespace

std::string NextLoadingText(const std::string& text) {
    if (text == "Loading") {
        return "Loading.";
    }
    if (text == "Loading.") {
        return "Loading..";
    }
    if (text == "Loading..") {
        return "Loading...";
    }
    return "Loading";
}

ASP_LoadingScreen::ASP_LoadingScreen(int windowWidth, int windowHeight, CTextureManager* textures,
                                     CFont* font)
    : label(std::make_unique<CLabelSprite>(nullptr, font)), image(std::make_unique<CImageSprite>(nullptr)) {
    label->SetAlignH(ALIGN_LEFT);
    label->SetText(kCaption);
    int textWidth = 0;
    int textHeight = 0;
    if (font != nullptr && font->ttf != nullptr) {
        TTF_SizeText(font->ttf, kCaption, &textWidth, &textHeight);
    }
    label->SetWidth(textWidth);
    label->SetHeight(textHeight);
    label->SetZ(1);
    label->depthTest = false;
    label->SetColor(SDL_Color{200, 200, 255, 0});
    label->SetTextBox(0, 0, textWidth, textHeight);

    image->SetTexture(textures->GetTexture(kPicture));
    FitWindow(windowWidth, windowHeight);
    LogLine(LOG_STATUS, "Instance initialized.");
}

ASP_LoadingScreen::~ASP_LoadingScreen() {
    label.reset();
    image.reset();
    LogLine(LOG_STATUS, "Instance removed.");
}

void ASP_LoadingScreen::FitWindow(int windowWidth, int windowHeight) {
    label->SetX(10);
    label->SetY(windowHeight - label->GetHeight() - 10);
    FitImage(windowWidth, windowHeight);
}

// Shows the whole picture as large as the window allows, centred.
void ASP_LoadingScreen::FitImage(int windowWidth, int windowHeight) {
    const CTexture* picture = image->GetTexture();
    const double pictureWidth = picture->PixelWidth();
    const double pictureHeight = picture->PixelHeight();
    double w = windowWidth;
    double h = windowHeight;
    // A picture that did not load has no shape to keep; it draws nothing anyway.
    if (pictureWidth > 0 && pictureHeight > 0) {
        if (static_cast<double>(windowWidth) / windowHeight < pictureWidth / pictureHeight) {
            h = w * pictureHeight / pictureWidth;
        } else {
            w = h * pictureWidth / pictureHeight;
        }
    }
    image->SetWidth(w);
    image->SetHeight(h);
    image->SetX((windowWidth - w) / 2);
    image->SetY((windowHeight - h) / 2);
    image->SetZ(0);
}

void ASP_LoadingScreen::Update(double dt) {
    timer += dt;
    while (timer > interval) {
        timer -= interval;
        label->SetText(NextLoadingText(label->GetText()));
    }
}

void ASP_LoadingScreen::Draw(void* target) {
    image->Draw(target);
    label->Draw(target);
}
