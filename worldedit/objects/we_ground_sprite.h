#pragma once

#include <ostream>
#include <string>

#include "engine/image_sprite.h"
#include "engine/texture_manager.h"
#include "worldedit/objects/object_kinds.h"
#include "worldedit/objects/we_object.h"

// A ground tile of the world being edited: its picture, place and the name of its surface map.
// Tiles lie under everything and cannot be turned.
class ASP_WE_GroundSprite : public CImageSprite, public ASP_WE_Object {
public:
    ASP_WE_GroundSprite(CSprite* parent, CTextureManager* textures);

    void Print(std::ostream& out) override;
    int SetProperty(const std::string& name, const std::string& value, std::ostream& out) override;
    void Load(const std::string& section, const std::string& file) override;
    // The picture file Load reads for this section.
    static std::string Picture(const std::string& section, const std::string& file);
    bool Save(const std::string& section, const std::string& file) override;
    const ASP_WE_ObjectKind& Kind() const override { return kind; }
    CImageSprite& Sprite() override { return *this; }
    CRotateable* Turnable() override { return nullptr; }

    static const ASP_WE_ObjectKind kind;

    // File name of the surface map; the editor never decodes it.
    std::string surface;

private:
    void SetTextureFile(const std::string& file);

    CTextureManager* textures;
    // As named in the world file: kept even when the picture cannot be loaded here, so that
    // saving does not drop it.
    std::string textureFile;
};
