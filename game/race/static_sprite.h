#pragma once

#include <string>

#include "engine/image_sprite_ex.h"
#include "engine/sprite.h"
#include "engine/texture.h"

// A decorative object of the world: placed, sized, turned and animated from its section of the
// world file, never touched by anything (its collision hook is the sprite's: not handled).
class ASP_StaticSprite : public CImageSpriteEx {
public:
    explicit ASP_StaticSprite(CSprite* parent);

    bool ReactsTo(CSprite* other) override;
    virtual void Load(std::string section, std::string file);
};

// The read-only texture of file from the texture manager of the container that parent is; null
// when the parent is not a container.
CTexture* ContainerTexture(CSprite* parent, const std::string& file);

// Reads the keys every placed object of the world file shares (position, depth, size, rotation,
// texture and animation) into sprite. The object animates exactly when its frame range has more
// than one frame.
void LoadPlacedImage(CImageSpriteEx& sprite, const std::string& section, const std::string& file);
