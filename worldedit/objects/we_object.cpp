#include "worldedit/objects/we_object.h"

#include <cctype>
#include <cmath>
#include <limits>
#include <utility>

#include "engine/ini.h"

ASP_WE_Object* AsEditorObject(CSprite* sprite) {
    return dynamic_cast<ASP_WE_Object*>(sprite);
}

bool SameWord(const std::string& typed, const std::string& word) {
    return CompareText(typed, word, true) == 0;
}

namespace {

size_t SkipDigits(const std::string& t, size_t i) {
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
        ++i;
    }
    return i;
}

size_t SkipSign(const std::string& t, size_t i) {
    return i < t.size() && (t[i] == '+' || t[i] == '-') ? i + 1 : i;
}

// Sign, digits and, for a fraction, an optional "." with digits and an exponent: the grammar the
// INI number readers accept, here required to cover the whole text.
bool IsWholeNumber(const std::string& t, bool fraction) {
    size_t i = SkipSign(t, 0);
    const size_t intStart = i;
    i = SkipDigits(t, i);
    bool digits = i > intStart;
    if (fraction && i < t.size() && t[i] == '.') {
        const size_t fracStart = i + 1;
        i = SkipDigits(t, fracStart);
        digits = digits || i > fracStart;
    }
    if (fraction && digits && i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        const size_t expStart = SkipSign(t, i + 1);
        i = SkipDigits(t, expStart);
        if (i == expStart) {
            return false;
        }
    }
    return digits && i == t.size();
}

}  // namespace

bool ParseDouble(const std::string& text, double& v) {
    const std::string t = Trimmed(text, " \t");
    if (!IsWholeNumber(t, true)) {
        return false;
    }
    const double read = TextToDouble(t, std::numeric_limits<double>::quiet_NaN());
    if (!std::isfinite(read)) {
        return false;
    }
    v = read;
    return true;
}

bool ParseInt(const std::string& text, int& v) {
    const std::string t = Trimmed(text, " \t");
    // Two different fallbacks tell a number that does not fit an int from one that was read.
    if (!IsWholeNumber(t, false) || TextToInt(t, 0) != TextToInt(t, 1)) {
        return false;
    }
    v = TextToInt(t, 0);
    return true;
}

bool ParseBool(const std::string& text, bool& v) {
    // The world file holds 1 and 0, so those are taken as typed too.
    if (SameWord(text, "true") || text == "1") {
        v = true;
        return true;
    }
    if (SameWord(text, "false") || text == "0") {
        v = false;
        return true;
    }
    return false;
}

bool NamesReadableFile(const std::string& name) {
    return FileExists(MakeAbsolutePath(name));
}

CTexture* TextureFor(CTextureManager* textures, const std::string& file) {
    if (textures == nullptr || file.empty()) {
        return nullptr;
    }
    return textures->GetTexture(file, true, false);
}
