#pragma once

#include <SDL/SDL.h>

#include <string>

class CFont;
class CFontFactory;
class CLabelSprite;
class CTexture;
class CTextureManager;

// Readers of the keys that describe a text label, shared by the menu files, the race interface,
// the countdown and the options summary, so that every file spells and reads them alike.

// "font" at "size" points from the registry; null when there is no registry.
CFont* ReadLabelFont(CFontFactory* fonts, const std::string& section, const std::string& file);

// The colour under prefix + "r", "g", "b" ("color_" for labels, "color0" to "color2" for the looks
// of a button), each clamped to a byte.
SDL_Color ReadLabelColour(const std::string& section, const std::string& prefix, const std::string& file);

// The read-only texture named under key; an empty name means no picture, not a file to look for.
CTexture* ReadTexture(CTextureManager* textures, const std::string& section, const std::string& key,
                      const std::string& file);

// "alignH" and "alignV".
void ReadLabelAlignment(CLabelSprite* label, const std::string& section, const std::string& file);

// "z" (kept only inside [-1, 1]), "width" and "height"; the text box covers the whole label.
void ReadLabelBox(CLabelSprite* label, const std::string& section, const std::string& file);

// "[n]" in a caption stands for a line break.
std::string WithLineBreaks(const std::string& caption);
