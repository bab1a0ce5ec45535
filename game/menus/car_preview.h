#pragma once

#include <array>
#include <string>

#include "engine/geometry.h"
#include "engine/image_sprite_ex.h"
#include "engine/label_sprite.h"
#include "game/menus/menu.h"

// The car choice on the cars menu: a prompt naming the player who chooses, the car's values and a
// picture of the car with its trailing part, fitted into the preview area. The labels and sprites
// belong to the menu.
class ASP_CarPreview {
public:
    // Finds the labels named by the menu file, reads the texts and the preview area, and adds the
    // car's sprites to the menu.
    void Load(ASP_Menu* menu, const std::string& menuFile);
    // Shows car section name of carFile as the choice of player (counted from 0).
    void Show(const std::string& carFile, const std::string& name, int player);

    CLabelSprite* titleLabel = nullptr;
    CLabelSprite* massLabel = nullptr;
    CLabelSprite* accelLabel = nullptr;
    CLabelSprite* brakeLabel = nullptr;
    CLabelSprite* frictLabel = nullptr;
    // Shows the car's name.
    CLabelSprite* nameLabel = nullptr;
    std::string topFront;
    std::string topBack;
    std::string mass;
    std::string massUnit;
    std::string accel;
    std::string accelUnit;
    std::string brake;
    std::string brakeUnit;
    std::string frict;
    std::string frictUnit;
    // Relative to the menu.
    Rect previewBox;
    CImageSpriteEx* previewBody = nullptr;
    CImageSpriteEx* previewTail = nullptr;

private:
    void ShowBody(const std::string& carFile, const std::string& name);
    void ShowTail(const std::string& carFile, const std::string& section);
    void FitInBox();

    CTextureManager* textures = nullptr;
};

// The car player gets when asking for car c while searching in direction (+1 forward, -1
// backward): c wrapped at the ends of the list of carCount cars and, when there are at least as
// many cars as players, moved on past the cars of the players before this one. -1 without cars.
int PickCar(int c, int direction, int player, const std::array<int, 4>& playerCars, int playerCount,
            int carCount);
