#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/font.h"
#include "engine/log.h"

// The font registry: hands out one shared CFont per file name and point size. Labels borrow the
// fonts; they live until RemoveAllFonts or the registry's end.
class CFontFactory : public CLogSource {
public:
    CFontFactory();
    ~CFontFactory() override;
    CFontFactory(const CFontFactory&) = delete;
    CFontFactory& operator=(const CFontFactory&) = delete;

    // The font for the file (matched without regard to letter case) at size, opened on first
    // request. A file that fails to open still yields a registered font that prints nothing.
    CFont* GetFont(const std::string& fileName, int size);
    void RemoveAllFonts();

private:
    std::vector<std::unique_ptr<CFont>> fonts;
};
