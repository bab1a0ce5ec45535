#include "worldedit/picture_list.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

#include "engine/platform/paths.h"

namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

}  // namespace

std::vector<std::string> PicturesIn(const std::string& folder, const std::string& part,
                                    const std::string& first) {
    std::string relative = folder;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    std::set<std::string> names;
    const PathRoots& roots = GetPathRoots();
    for (const std::string& root : {roots.data, roots.user}) {
        std::error_code error;
        if (root.empty() || !std::filesystem::is_directory(root + relative, error)) {
            continue;
        }
        for (const auto& entry : std::filesystem::directory_iterator(root + relative, error)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file(error) && Lower(entry.path().extension().string()) == ".png" &&
                (part.empty() || Lower(name).find(Lower(part)) != std::string::npos)) {
                names.insert(folder + "\\" + name);
            }
        }
    }
    std::vector<std::string> pictures(names.begin(), names.end());
    const auto leading = std::find_if(pictures.begin(), pictures.end(), [&first](const std::string& name) {
        return Lower(name) == Lower(first);
    });
    if (leading != pictures.end()) {
        std::rotate(pictures.begin(), leading, leading + 1);
    }
    return pictures;
}
