#pragma once

#include <ostream>
#include <string>

#include "engine/image_sprite.h"
#include "engine/rotateable.h"
#include "engine/sprite.h"
#include "engine/texture_manager.h"
#include "track/world_file.h"

struct ASP_WE_ObjectKind;

// What the editor asks of every object of a world: show its properties, take one typed change,
// and read and write its own section of the world file.
class ASP_WE_Object {
public:
    virtual ~ASP_WE_Object() = default;

    // One line per property: label, value.
    virtual void Print(std::ostream& out) = 0;
    // 0 when the value was taken, -1 for a name the object does not have, -2 for a value it
    // cannot take. Remarks for the user go to out.
    virtual int SetProperty(const std::string& name, const std::string& value, std::ostream& out) = 0;
    virtual void Load(const std::string& section, const std::string& file) = 0;
    // False as soon as one key could not be written; the file is then incomplete.
    virtual bool Save(const std::string& section, const std::string& file) = 0;
    // The kind of object it is: its sections in the world file and its word on the console.
    virtual const ASP_WE_ObjectKind& Kind() const = 0;
    // The object as the sprite that the world holds and draws.
    virtual CImageSprite& Sprite() = 0;
    // Its rotation, or null for an object that does not turn.
    virtual CRotateable* Turnable() = 0;
};

// The editor object that a sprite of the world is, or null for any other sprite.
ASP_WE_Object* AsEditorObject(CSprite* sprite);

// Names, commands and answers typed on the console match without regard to letter case.
bool SameWord(const std::string& typed, const std::string& word);

// Typed numbers: the whole text (blanks around it aside) must be the number, so that a typo is
// refused rather than read as its leading digits or ignored.
bool ParseDouble(const std::string& text, double& v);
bool ParseInt(const std::string& text, int& v);
// "true" or "false" in any letter case, or "1" or "0".
bool ParseBool(const std::string& text, bool& v);

// Hands a typed value to set and answers as SetProperty does: 0, or -2 when the text is not a
// value of that type.
template <typename Set>
int SetTypedDouble(const std::string& value, Set set) {
    double v = 0.0;
    if (!ParseDouble(value, v)) {
        return -2;
    }
    set(v);
    return 0;
}

template <typename Set>
int SetTypedInt(const std::string& value, Set set) {
    int v = 0;
    if (!ParseInt(value, v)) {
        return -2;
    }
    set(v);
    return 0;
}

template <typename Set>
int SetTypedBool(const std::string& value, Set set) {
    bool v = false;
    if (!ParseBool(value, v)) {
        return -2;
    }
    set(v);
    return 0;
}

// Whether a file name typed on the console names a file that can be read.
bool NamesReadableFile(const std::string& name);

// The texture of that file from the registry, or null for an empty name or no registry.
CTexture* TextureFor(CTextureManager* textures, const std::string& file);
