#pragma once

#include <memory>
#include <string>

#include "engine/font.h"
#include "engine/image_sprite.h"
#include "engine/label_sprite.h"
#include "engine/texture_manager.h"
#include "game/app/asp_main.h"
#include "game/app/screen.h"

// What the window shows while a loader runs: a picture fitted to the window and a "Loading..."
// caption in the bottom left corner whose dots count up.
class ASP_LoadingScreen : public CLogSource, public ASP_Screen {
public:
    static constexpr int kState = ASP_Main::STATE_LOADING;
    const char* Name() const override { return "loading"; }

    ASP_LoadingScreen(int windowWidth, int windowHeight, CTextureManager* textures, CFont* font);
    ~ASP_LoadingScreen() override;
    ASP_LoadingScreen(const ASP_LoadingScreen&) = delete;
    ASP_LoadingScreen& operator=(const ASP_LoadingScreen&) = delete;

    // dt in seconds.
    void Update(double dt) override;
    // Fits the picture and the caption's corner to a window of this size.
    void FitWindow(int windowWidth, int windowHeight);
    void Draw(void* target) override;

    CLabelSprite* GetLabel() const { return label.get(); }
    CImageSprite* GetImage() const { return image.get(); }

private:
    void FitImage(int windowWidth, int windowHeight);

    // Seconds gathered since the caption last changed.
    double timer = 0.0;
    // Seconds per change of the caption.
    double interval = 0.5;
    std::unique_ptr<CLabelSprite> label;
    std::unique_ptr<CImageSprite> image;
};

// The caption that follows text in the cycle "Loading" -> "Loading." -> "Loading.." ->
// "Loading..." -> "Loading"; any other text starts the cycle again.
std::string NextLoadingText(const std::string& text);
