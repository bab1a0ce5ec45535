#pragma once

#include <string>

#include "engine/image_sprite_ex.h"

// A ground tile as it is drawn: an image under everything else, pixel for pixel. What its surface
// map says of the ground is the race's to know.
class ASP_GroundSprite : public CImageSpriteEx {
public:
    explicit ASP_GroundSprite(CSprite* parent);

    // Ground is driven over, never hit.
    bool ReactsTo(CSprite* other) override;
    void Load(const std::string& section, const std::string& file);
};
