#pragma once

#include <memory>
#include <vector>

#include "engine/broad_phase.h"
#include "engine/geometry.h"
#include "engine/image_sprite_ex.h"
#include "engine/sprite.h"
#include "engine/texture_manager.h"

// A container sprite: owns its children, draws and updates them, sorts them by depth on request,
// runs the pairwise collision test between them and finds the children under a screen point. It
// hands its children a texture manager, either a shared one or one of its own.
//
// Children may add or remove sprites from inside Update, Draw or a collision hook: a child removed
// during such a pass stays alive, but is skipped, until the pass is over, and the draw list is
// rebuilt only then.
class CSpriteManager : public CSprite {
public:
    // With tm null the manager makes its own texture manager and unloads it on RemoveAll.
    explicit CSpriteManager(CTextureManager* tm);
    ~CSpriteManager() override;
    CSpriteManager(const CSpriteManager&) = delete;
    CSpriteManager& operator=(const CSpriteManager&) = delete;

    void Draw(void* target) override;
    void Update(double dt) override;

    // Takes ownership of s. Returns its index in the sprite list, or -1 for a sprite that cannot be
    // a child (null, the manager itself or one of its parents).
    virtual int AddSprite(CSprite* s);
    // Tells every pair of overlapping children, in list order (see CSprite::Collides and
    // OnCollision). Pairs are found through the children's corners: a child's Collides must not
    // report an overlap outside the bounding box of its GetCorners.
    virtual void CheckCollisions();
    virtual CSprite* GetSpriteAt(int x, int y);
    virtual std::vector<CSprite*> GetSpritesAt(int x, int y);

    void RemoveAll();
    // Deletes the child at index and leaves its entry empty for the next AddSprite.
    void RemoveSprite(int index);
    // Takes the child at index out without deleting it or unloading its texture, leaving its entry
    // empty, so that PutSprite can bring it back to the same place. Null for an empty entry or
    // while a pass runs.
    std::unique_ptr<CSprite> TakeSprite(int index);
    // Moves s into the entry at index, which must be empty (the list grows to reach it). False,
    // with s left to the caller, if the entry is taken, s cannot be a child, or a pass runs.
    bool PutSprite(int index, std::unique_ptr<CSprite>& s);

    // Number of entries, empty ones included; GetSprite gives null for an empty or unknown index.
    int GetSpriteCount() const;
    CSprite* GetSprite(int index) const;
    bool OwnsTextureManager() const;

    // Draw for a view that shows only `view` of the manager's own frame: children that cannot
    // reach into it are skipped, which changes no pixel of the view.
    void DrawIn(void* target, const Bounds& view);

    bool unloadTexturesOnClear;
    bool sortByZ = false;
    CTextureManager* textureManager;

private:
    bool CanAdopt(const CSprite* s) const;
    bool IsChild(const CSprite* s) const;
    void UnloadTextureIfUnused(int index);
    void AdoptOrphansOf(const CSprite* removed);
    void Discard(std::unique_ptr<CSprite> s);
    bool IsDiscarded(const CSprite* s) const;
    void DrawChildren(void* target, const Bounds* view);
    bool OutsideView(const CImageSpriteEx& child, const Bounds& view) const;
    void RebuildDrawList();
    void SortByZ();
    void BeginPass();
    void EndPass();

    std::unique_ptr<CTextureManager> ownTextureManager;
    std::vector<std::unique_ptr<CSprite>> sprites;
    std::vector<CSprite*> drawList;
    CBroadPhase broadPhase;
    // Children removed while a pass walks drawList; deleted when the outermost pass ends.
    std::vector<std::unique_ptr<CSprite>> discarded;
    int passDepth = 0;
    bool drawListStale = false;
};
