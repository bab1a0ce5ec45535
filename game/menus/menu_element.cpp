#include "game/menus/menu_element.h"

ASP_MenuElement::ASP_MenuElement(CSprite* parent) : CSprite(parent) {}
