#pragma once

#include <ostream>
#include <string>

#include "engine/image_sprite_ex.h"
#include "engine/texture_manager.h"
#include "worldedit/objects/object_kinds.h"
#include "worldedit/objects/we_object.h"

// A start position of the world being edited, shown as a car of the size the race uses.
class ASP_WE_StartSprite : public CImageSpriteEx, public ASP_WE_Object {
public:
    ASP_WE_StartSprite(CSprite* parent, CTextureManager* textures);

    void Print(std::ostream& out) override;
    int SetProperty(const std::string& name, const std::string& value, std::ostream& out) override;
    void Load(const std::string& section, const std::string& file) override;
    bool Save(const std::string& section, const std::string& file) override;
    const ASP_WE_ObjectKind& Kind() const override { return kind; }
    CImageSprite& Sprite() override { return *this; }
    CRotateable* Turnable() override { return this; }

    static const ASP_WE_ObjectKind kind;
};
