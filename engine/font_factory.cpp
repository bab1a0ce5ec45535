#include "engine/font_factory.h"

#include <cctype>

namespace {

std::string LowerCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

}  // namespace

CFontFactory::CFontFactory() {
    LogLine(LOG_STATUS, "Instance initialized. Did nothing. Great success!");
}

CFontFactory::~CFontFactory() {
    RemoveAllFonts();
    LogLine(LOG_STATUS, "Instance removed.");
}

CFont* CFontFactory::GetFont(const std::string& fileName, int size) {
    const std::string name = LowerCase(fileName);
    for (const std::unique_ptr<CFont>& font : fonts) {
        if (font->size == size && font->fileName == name) {
            return font.get();
        }
    }
    fonts.push_back(std::make_unique<CFont>(name, size));
    return fonts.back().get();
}

void CFontFactory::RemoveAllFonts() {
    fonts.clear();
    LogLine(LOG_STATUS, "All fonts removed. Why, WHY would you do that?!");
}
