#pragma once

#include <ostream>
#include <string>

#include "worldedit/objects/we_static_sprite.h"

// A checkpoint of the world being edited: a static object with its place in the order of a lap.
class ASP_WE_CheckpointSprite : public ASP_WE_StaticSprite {
public:
    ASP_WE_CheckpointSprite(CSprite* parent, CTextureManager* textures);

    void Print(std::ostream& out) override;
    int SetProperty(const std::string& name, const std::string& value, std::ostream& out) override;
    void Load(const std::string& section, const std::string& file) override;
    bool Save(const std::string& section, const std::string& file) override;
    const ASP_WE_ObjectKind& Kind() const override { return kind; }

    static const ASP_WE_ObjectKind kind;

    int index = 0;
    bool isFinish = false;
};
