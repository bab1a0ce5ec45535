#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/sprite.h"
#include "engine/texture_manager.h"
#include "worldedit/objects/we_object.h"

// A question of the add dialogue: its prompt, and the property of the new object the answer sets.
struct ASP_WE_PictureQuestion {
    const char* prompt;
    const char* property;
};

// One kind of object of a world file, as loading, saving, adding and editing need it. Each class
// of editor object defines its kind beside the keys it reads; ObjectKinds lists them all.
struct ASP_WE_ObjectKind {
    // The word the add dialogue takes for it, and what the dialogue says of it.
    const char* word;
    const char* description;
    // The number of such objects in section "main", and the prefix of their numbered sections.
    const char* countKey;
    const char* prefix;
    // Its place in the add dialogue's list, which has always offered ground tiles first.
    int offerPlace;
    // The files the add dialogue asks for; the first is the object's picture, whose size it takes.
    std::vector<ASP_WE_PictureQuestion> pictures;
    // Whether a picked-up object follows the pointer; ground tiles lie where they are.
    bool followsPointer;
    // The picture that loading a section reads, for kinds whose pictures are worth decoding ahead
    // of the load (large and many); null for the others.
    std::string (*pictureOf)(const std::string& section, const std::string& file);
    std::unique_ptr<ASP_WE_Object> (*create)(CSprite* parent, CTextureManager* textures);
};

template <typename Object>
std::unique_ptr<ASP_WE_Object> CreateObject(CSprite* parent, CTextureManager* textures) {
    return std::make_unique<Object>(parent, textures);
}

// Every kind, in the order in which a world file counts them and the editor loads them.
const std::vector<const ASP_WE_ObjectKind*>& ObjectKinds();
// The kinds in the order in which the add dialogue offers them.
std::vector<const ASP_WE_ObjectKind*> KindsOnOffer();
// The kind the word names (letter case ignored), or null.
const ASP_WE_ObjectKind* KindNamed(const std::string& word);
