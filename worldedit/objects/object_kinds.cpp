#include "worldedit/objects/object_kinds.h"

#include <algorithm>

#include "worldedit/objects/we_checkpoint_sprite.h"
#include "worldedit/objects/we_ground_sprite.h"
#include "worldedit/objects/we_physics_sprite.h"
#include "worldedit/objects/we_start_sprite.h"
#include "worldedit/objects/we_static_sprite.h"

const std::vector<const ASP_WE_ObjectKind*>& ObjectKinds() {
    // Objects of one kind are drawn in the order of their loading among others of the same depth,
    // and saved in the order of the world's list: this order keeps both as they were.
    static const std::vector<const ASP_WE_ObjectKind*> kinds = {
        &ASP_WE_StartSprite::kind,      &ASP_WE_GroundSprite::kind,  &ASP_WE_StaticSprite::kind,
        &ASP_WE_CheckpointSprite::kind, &ASP_WE_PhysicsSprite::kind,
    };
    return kinds;
}

std::vector<const ASP_WE_ObjectKind*> KindsOnOffer() {
    std::vector<const ASP_WE_ObjectKind*> kinds = ObjectKinds();
    std::stable_sort(kinds.begin(), kinds.end(),
                     [](const auto* a, const auto* b) { return a->offerPlace < b->offerPlace; });
    return kinds;
}

const ASP_WE_ObjectKind* KindNamed(const std::string& word) {
    for (const ASP_WE_ObjectKind* kind : ObjectKinds()) {
        if (SameWord(word, kind->word)) {
            return kind;
        }
    }
    return nullptr;
}
