#pragma once

#include <ostream>
#include <string>

#include "engine/image_sprite_ex.h"
#include "engine/texture_manager.h"
#include "worldedit/objects/object_kinds.h"
#include "worldedit/objects/we_object.h"

// A decorative object of the world being edited: placed, sized, turned and animated. It stands
// still in the editor until one of its animation properties is edited.
class ASP_WE_StaticSprite : public CImageSpriteEx, public ASP_WE_Object {
public:
    ASP_WE_StaticSprite(CSprite* parent, CTextureManager* textures);

    void Print(std::ostream& out) override;
    int SetProperty(const std::string& name, const std::string& value, std::ostream& out) override;
    void Load(const std::string& section, const std::string& file) override;
    bool Save(const std::string& section, const std::string& file) override;
    const ASP_WE_ObjectKind& Kind() const override { return kind; }
    CImageSprite& Sprite() override { return *this; }
    CRotateable* Turnable() override { return this; }

    static const ASP_WE_ObjectKind kind;
    // What the add dialogue asks of a new object of this class and of those built on it.
    static constexpr ASP_WE_PictureQuestion kPicture = {"Texture: ", "texture"};

    // The animation position is a property of its own only while the animation stands still.
    bool AnimPosEditable() const;
    void SetTextureFile(const std::string& file);

private:
    CTextureManager* textures;
    // As named in the world file: kept even when the picture cannot be loaded here, so that
    // saving does not drop it.
    std::string textureFile;
};
