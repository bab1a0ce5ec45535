#pragma once

#include <ostream>
#include <string>

#include "worldedit/objects/we_static_sprite.h"

// A movable body of the world being edited. The editor never simulates: it is a picture with the
// values the race gives its rigid body.
class ASP_WE_PhysicsSprite : public ASP_WE_StaticSprite {
public:
    ASP_WE_PhysicsSprite(CSprite* parent, CTextureManager* textures);

    void Print(std::ostream& out) override;
    int SetProperty(const std::string& name, const std::string& value, std::ostream& out) override;
    void Load(const std::string& section, const std::string& file) override;
    bool Save(const std::string& section, const std::string& file) override;
    const ASP_WE_ObjectKind& Kind() const override { return kind; }

    static const ASP_WE_ObjectKind kind;

    double mass = 1.0;
    double bounce = 0.0;
    bool fixedPos = false;
    bool fixedRot = false;
};
