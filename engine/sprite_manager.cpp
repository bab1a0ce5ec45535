#include "engine/sprite_manager.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>

#include "engine/draw_pass.h"
#include "engine/image_sprite.h"
#include "engine/image_sprite_ex.h"
#include "engine/ini.h"
#include "engine/particle_engine.h"

CSpriteManager::CSpriteManager(CTextureManager* tm) : CSprite(nullptr) {
    if (tm == nullptr) {
        ownTextureManager = std::make_unique<CTextureManager>();
        tm = ownTextureManager.get();
    }
    textureManager = tm;
    unloadTexturesOnClear = OwnsTextureManager();
    LogLine(LOG_STATUS, "Instance initialized.");
}

CSpriteManager::~CSpriteManager() {
    RemoveAll();
    // The children are gone, so no sprite is left pointing at the textures.
    ownTextureManager.reset();
    LogLine(LOG_STATUS, "Instance removed.");
}

void CSpriteManager::Draw(void* target) {
    DrawChildren(target, nullptr);
}

void CSpriteManager::DrawIn(void* target, const Bounds& view) {
    DrawChildren(target, &view);
}

void CSpriteManager::DrawChildren(void* target, const Bounds* view) {
    if (!IsVisible() || drawList.empty()) {
        return;
    }
    // A Draw nested in another pass of this manager must not reorder the list under it.
    if (sortByZ && passDepth == 0) {
        SortByZ();
    }
    BeginPass();
    const CDrawPass drawPass;
    for (size_t i = 0; i < drawList.size(); ++i) {
        CSprite* child = drawList[i];
        if (IsDiscarded(child)) {
            continue;
        }
        auto* image = view != nullptr ? dynamic_cast<CImageSpriteEx*>(child) : nullptr;
        auto* particles = view != nullptr ? dynamic_cast<CParticleEngine*>(child) : nullptr;
        if (image != nullptr && OutsideView(*image, *view)) {
            image->SkipRender();
        } else if (particles != nullptr) {
            particles->DrawIn(target, *view);
        } else {
            child->Draw(target);
        }
    }
    EndPass();
}

// Only outlines known in the manager's frame are judged; anything else is drawn.
bool CSpriteManager::OutsideView(const CImageSpriteEx& child, const Bounds& view) const {
    if (child.GetParent() != this || child.DrawsBeyondOutline()) {
        return false;
    }
    return Apart(BoundsOf(child.ParentQuad()), view);
}

void CSpriteManager::Update(double dt) {
    BeginPass();
    // The length is read again on every step: an update may add sprites, which join this pass.
    for (size_t i = 0; i < drawList.size(); ++i) {
        if (!IsDiscarded(drawList[i])) {
            drawList[i]->Update(dt);
        }
    }
    EndPass();
}

int CSpriteManager::AddSprite(CSprite* s) {
    if (!CanAdopt(s)) {
        LogLine(LOG_WARNING, "Tried to add a sprite that cannot be a child. Ignoring.");
        return -1;
    }
    for (size_t i = 0; i < sprites.size(); ++i) {
        if (sprites[i].get() == s) {
            return static_cast<int>(i);
        }
    }
    // A sprite that hangs below another child keeps its coordinates relative to that child.
    if (!IsChild(s->GetParent())) {
        s->SetParent(this);
    }
    auto empty = std::find(sprites.begin(), sprites.end(), nullptr);
    if (empty == sprites.end()) {
        empty = sprites.insert(sprites.end(), nullptr);
    }
    empty->reset(s);
    const int index = static_cast<int>(empty - sprites.begin());
    if (passDepth > 0) {
        // Rebuilding now would shift the entries under the running pass; the new sprite joins it
        // at the end and the list is rebuilt when the pass is over.
        drawList.push_back(s);
        drawListStale = true;
    } else {
        RebuildDrawList();
    }
    return index;
}

void CSpriteManager::CheckCollisions() {
    if (drawList.size() < 2) {
        return;
    }
    BeginPass();
    // The pairs, their order and their contacts are those of testing every pair i < j in list
    // order; skipped are only the pairs whose outlines cannot overlap (found by the grid) and those
    // where neither sprite reacts to the other.
    broadPhase.Start(drawList.size(), [this](size_t i) { return drawList[i]->GetCorners(); });
    // A copy: the broad phase reuses its list on the next query.
    std::vector<size_t> candidates;
    for (size_t i = 0; i < drawList.size(); ++i) {
        candidates = broadPhase.Candidates(i, i);
        for (size_t k = 0; k < candidates.size();) {
            const size_t j = candidates[k++];
            CSprite* a = drawList[i];
            CSprite* b = drawList[j];
            Point contact(0.0, 0.0);
            if (IsDiscarded(a) || IsDiscarded(b) || (!a->ReactsTo(b) && !b->ReactsTo(a)) ||
                !a->Collides(b, &contact)) {
                continue;
            }
            const size_t listed = drawList.size();
            if (a->OnCollision(b, contact) && !IsDiscarded(b)) {
                b->OnCollision(a, contact);
            }
            // The hooks may have moved the pair (a push-apart) or added sprites, which changes
            // which of the later sprites i can meet.
            broadPhase.Refresh(j);
            broadPhase.Follow(drawList.size());
            if (broadPhase.Refresh(i) || drawList.size() != listed) {
                candidates = broadPhase.Candidates(i, j);
                k = 0;
            }
        }
    }
    EndPass();
}

CSprite* CSpriteManager::GetSpriteAt(int x, int y) {
    CSprite* topmost = nullptr;
    for (CSprite* s : GetSpritesAt(x, y)) {
        if (topmost == nullptr || s->GetGlobalZ() > topmost->GetGlobalZ()) {
            topmost = s;
        }
    }
    return topmost;
}

std::vector<CSprite*> CSpriteManager::GetSpritesAt(int x, int y) {
    std::vector<CSprite*> found;
    const Point p(x, y);
    for (CSprite* s : drawList) {
        if (!IsDiscarded(s) && PointInQuad(p, s->GetCorners())) {
            found.push_back(s);
        }
    }
    return found;
}

void CSpriteManager::RemoveAll() {
    // Taken out of the list first, so that a child's destructor never sees a half-cleared list.
    std::vector<std::unique_ptr<CSprite>> children = std::move(sprites);
    sprites.clear();
    for (std::unique_ptr<CSprite>& child : children) {
        if (child != nullptr) {
            Discard(std::move(child));
        }
    }
    if (unloadTexturesOnClear && textureManager != nullptr) {
        textureManager->UnloadAll();
    }
    if (passDepth > 0) {
        drawListStale = true;
    } else {
        drawList.clear();
    }
    LogLine(LOG_STATUS, "All Sprites removed.");
}

void CSpriteManager::RemoveSprite(int index) {
    if (GetSprite(index) == nullptr) {
        LogLine(LOG_WARNING,
                "Tried to remove sprite " + NumberToText(index) + ", which does not exist. Ignoring.");
        return;
    }
    if (unloadTexturesOnClear) {
        UnloadTextureIfUnused(index);
    }
    std::unique_ptr<CSprite> removed = std::move(sprites[static_cast<size_t>(index)]);
    AdoptOrphansOf(removed.get());
    Discard(std::move(removed));
    if (passDepth > 0) {
        drawListStale = true;
    } else {
        RebuildDrawList();
    }
}

std::unique_ptr<CSprite> CSpriteManager::TakeSprite(int index) {
    if (GetSprite(index) == nullptr || passDepth > 0) {
        return nullptr;
    }
    std::unique_ptr<CSprite> taken = std::move(sprites[static_cast<size_t>(index)]);
    AdoptOrphansOf(taken.get());
    RebuildDrawList();
    return taken;
}

bool CSpriteManager::PutSprite(int index, std::unique_ptr<CSprite>& s) {
    if (index < 0 || passDepth > 0 || GetSprite(index) != nullptr || !CanAdopt(s.get()) || IsChild(s.get())) {
        return false;
    }
    if (index >= GetSpriteCount()) {
        sprites.resize(static_cast<size_t>(index) + 1);
    }
    s->SetParent(this);
    sprites[static_cast<size_t>(index)] = std::move(s);
    RebuildDrawList();
    return true;
}

int CSpriteManager::GetSpriteCount() const {
    return static_cast<int>(sprites.size());
}

CSprite* CSpriteManager::GetSprite(int index) const {
    if (index < 0 || index >= GetSpriteCount()) {
        return nullptr;
    }
    return sprites[static_cast<size_t>(index)].get();
}

bool CSpriteManager::OwnsTextureManager() const {
    return ownTextureManager != nullptr;
}

bool CSpriteManager::CanAdopt(const CSprite* s) const {
    // Adopting the manager itself or one of its parents would make the parent chain a loop; a
    // sprite removed during the running pass is already owned by the list of discarded ones.
    if (s == nullptr || IsDiscarded(s)) {
        return false;
    }
    for (const CSprite* p = this; p != nullptr; p = p->GetParent()) {
        if (p == s) {
            return false;
        }
    }
    return true;
}

bool CSpriteManager::IsChild(const CSprite* s) const {
    if (s == nullptr) {
        return false;
    }
    for (const std::unique_ptr<CSprite>& child : sprites) {
        if (child.get() == s) {
            return true;
        }
    }
    return false;
}

void CSpriteManager::UnloadTextureIfUnused(int index) {
    const auto* image = dynamic_cast<const CImageSprite*>(GetSprite(index));
    if (image == nullptr || image->GetTexture() == nullptr || textureManager == nullptr) {
        return;
    }
    const CTexture* texture = image->GetTexture();
    for (int i = 0; i < GetSpriteCount(); ++i) {
        const auto* other = dynamic_cast<const CImageSprite*>(GetSprite(i));
        if (i != index && other != nullptr && other->GetTexture() == texture) {
            return;
        }
    }
    textureManager->UnloadTexture(texture->name);
}

void CSpriteManager::AdoptOrphansOf(const CSprite* removed) {
    // A child hanging below the removed one would be left with a dangling parent; it moves to the
    // manager and keeps its place on screen.
    for (const std::unique_ptr<CSprite>& child : sprites) {
        if (child != nullptr && child->GetParent() == removed) {
            const double globalX = child->GetGlobalX();
            const double globalY = child->GetGlobalY();
            child->SetParent(this);
            child->SetGlobalX(globalX);
            child->SetGlobalY(globalY);
        }
    }
}

void CSpriteManager::Discard(std::unique_ptr<CSprite> s) {
    // A running pass may still hold the sprite (it may be the one whose hook removed it).
    if (passDepth > 0) {
        discarded.push_back(std::move(s));
    }
}

bool CSpriteManager::IsDiscarded(const CSprite* s) const {
    for (const std::unique_ptr<CSprite>& d : discarded) {
        if (d.get() == s) {
            return true;
        }
    }
    return false;
}

void CSpriteManager::RebuildDrawList() {
    drawList.clear();
    for (const std::unique_ptr<CSprite>& child : sprites) {
        if (child != nullptr) {
            drawList.push_back(child.get());
        }
    }
    drawListStale = false;
}

void CSpriteManager::SortByZ() {
    // Bubble sort: after the first frame the list is already in order and one pass confirms it.
    // Equal depths keep their order.
    for (size_t end = drawList.size(); end > 1; --end) {
        bool swapped = false;
        for (size_t i = 0; i + 1 < end; ++i) {
            if (drawList[i + 1]->GetZ() < drawList[i]->GetZ()) {
                std::swap(drawList[i], drawList[i + 1]);
                swapped = true;
            }
        }
        if (!swapped) {
            return;
        }
    }
}

void CSpriteManager::BeginPass() {
    ++passDepth;
}

void CSpriteManager::EndPass() {
    if (--passDepth > 0) {
        return;
    }
    // The list is settled before the removed children die, in case a destructor reaches back.
    std::vector<std::unique_ptr<CSprite>> dead = std::move(discarded);
    discarded.clear();
    if (drawListStale) {
        RebuildDrawList();
    }
    dead.clear();
}
