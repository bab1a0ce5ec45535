#include "engine/texture_manager.h"

#include <algorithm>
#include <cctype>

std::string TextureName(const std::string& file) {
    std::string name = file;
    for (char& c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

namespace {

// A texture that failed to load keeps the requested name too, so that the entry is found again
// instead of being added (and its load retried) on every request.
std::unique_ptr<CTexture> MakeTexture(const std::string& name, bool readOnly, CTextureAtlas* atlas) {
    auto texture = std::make_unique<CTexture>(name, readOnly, atlas);
    texture->name = name;
    return texture;
}

}  // namespace

CTextureManager::CTextureManager() {
    LogLine(LOG_STATUS, "Instance initialized.");
}

CTextureManager::~CTextureManager() {
    UnloadAll();
    LogLine(LOG_STATUS, "Instance removed.");
}

CTexture* CTextureManager::GetTexture(const std::string& file, bool readOnly, bool reload) {
    const std::string name = TextureName(file);
    unclaimed.erase(std::remove(unclaimed.begin(), unclaimed.end(), name), unclaimed.end());
    const int index = FindTexture(name);
    if (index < 0) {
        textures.push_back(MakeTexture(name, readOnly, atlas.get()));
        return textures.back().get();
    }
    std::unique_ptr<CTexture>& entry = textures[static_cast<size_t>(index)];
    if (reload) {
        // The old texture goes first so that its GL name and surface are released before the new load.
        entry.reset();
        entry = MakeTexture(name, readOnly, atlas.get());
        return entry.get();
    }
    if (!readOnly && entry->readOnly) {
        LogLine(LOG_WARNING, "Reloading read-only texture " + name + "for write access.");
        entry->readOnly = false;
        entry->Load(name);
    }
    return entry.get();
}

int CTextureManager::FindTexture(const std::string& name) const {
    for (size_t i = 0; i < textures.size(); ++i) {
        if (textures[i]->name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CTextureManager::UnloadTexture(const std::string& file) {
    const int index = FindTexture(TextureName(file));
    if (index >= 0) {
        textures.erase(textures.begin() + index);
    }
}

void CTextureManager::UnloadAll() {
    unclaimed.clear();
    while (!textures.empty()) {
        textures.erase(textures.begin());
    }
    if (atlas != nullptr) {
        atlas = std::make_unique<CTextureAtlas>();
    }
    LogLine(LOG_STATUS, "All textures unloaded.");
}

void CTextureManager::UseAtlas() {
    if (atlas == nullptr) {
        atlas = std::make_unique<CTextureAtlas>();
    }
}

void CTextureManager::BeginReuse() {
    textures.erase(std::remove_if(textures.begin(), textures.end(),
                                  [](const std::unique_ptr<CTexture>& t) {
                                      return !t->loaded || !t->readOnly || t->FileChanged();
                                  }),
                   textures.end());
    unclaimed.clear();
    for (const std::unique_ptr<CTexture>& texture : textures) {
        unclaimed.push_back(texture->name);
    }
}

void CTextureManager::EndReuse() {
    for (const std::string& name : unclaimed) {
        UnloadTexture(name);
    }
    unclaimed.clear();
}

bool CTextureManager::Holds(const std::string& file) const {
    const int index = FindTexture(TextureName(file));
    if (index < 0) {
        return false;
    }
    const CTexture& texture = *textures[static_cast<size_t>(index)];
    return texture.loaded && texture.readOnly;
}

void CTextureManager::Release() {
    for (const std::unique_ptr<CTexture>& texture : textures) {
        texture->Release();
    }
}

void CTextureManager::Restore() {
    for (const std::unique_ptr<CTexture>& texture : textures) {
        texture->Restore();
    }
}
