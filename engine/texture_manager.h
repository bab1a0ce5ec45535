#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/log.h"
#include "engine/texture.h"

// The registry of textures by lower-cased file name: every sprite that names the same file shares
// one CTexture. Owns its textures; pointers handed out stay valid until UnloadAll, UnloadTexture of
// that name or a reload request for it.
class CTextureManager : public CLogSource {
public:
    CTextureManager();
    ~CTextureManager() override;
    CTextureManager(const CTextureManager&) = delete;
    CTextureManager& operator=(const CTextureManager&) = delete;

    // Never returns null: a file that cannot be loaded gives a texture whose loaded is false, and
    // that entry is returned again for the name until reload is asked for.
    CTexture* GetTexture(const std::string& file, bool readOnly = true, bool reload = false);
    // Index of the texture with exactly this (lower-case) name, or -1.
    int FindTexture(const std::string& name) const;
    void UnloadTexture(const std::string& file);
    void UnloadAll();
    // Small read-only pictures loaded from now on share the pages of an atlas (see CTextureAtlas).
    // The space of a picture unloaded or reloaded stays taken until UnloadAll.
    void UseAtlas();

    // Keeps the textures of an earlier load for the next one, which may ask for the same files:
    // those whose file changed since, that failed to load or that were loaded for writing go now;
    // the rest are handed out again without decoding. EndReuse unloads those not asked for since.
    void BeginReuse();
    void EndReuse();
    // Whether a read-only texture of the file is loaded, so that asking for it decodes nothing.
    bool Holds(const std::string& file) const;
    // Frees the pixels of the read-only pictures (see CTexture::Release) while nobody draws them:
    // the entries stay, so the sprites holding them stay valid. Restore loads them again.
    void Release();
    void Restore();

    int Count() const { return static_cast<int>(textures.size()); }

private:
    // Before the textures, so that it outlives them.
    std::unique_ptr<CTextureAtlas> atlas;
    std::vector<std::unique_ptr<CTexture>> textures;
    // Names kept by BeginReuse and not asked for since.
    std::vector<std::string> unclaimed;
};

// The name as the registry stores it: ASCII lower case.
std::string TextureName(const std::string& file);
