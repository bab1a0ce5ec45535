#pragma once

#include <map>
#include <memory>
#include <string>

#include "engine/log.h"
#include "game/sim/track.h"

// A track's pictures as the files hold them: a tile's size from its file's header, surface maps
// decoded (by the picture decoder's workers when they have them) and kept while their file stays
// as it was, so a race on the same track again decodes none of them.
class ASP_PictureFiles : public ASP_TrackPictures, public CLogSource {
public:
    bool PictureSize(const std::string& file, int* width, int* height) override;
    std::shared_ptr<const ASP_SurfaceMap> SurfaceMap(const std::string& file) override;

private:
    struct Kept {
        std::string stamp;
        std::shared_ptr<const ASP_SurfaceMap> map;
    };
    std::shared_ptr<const ASP_SurfaceMap> Decode(const std::string& name, const std::string& path);

    std::map<std::string, Kept> kept;
};
