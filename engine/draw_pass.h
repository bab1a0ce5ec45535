#pragma once

#include <GL/gl.h>

#include "engine/geometry.h"

// The texture rectangle of one frame: s to the right, t down (t = 0 is the top of the image).
struct TexCoords {
    double s0 = 0.0;
    double t0 = 0.0;
    double s1 = 0.0;
    double t1 = 0.0;
};

// The sprites drawn while a pass is open share their GL state: what one sprite needs (switches,
// colour) is set only when it differs from what the one before left, and the state each sprite's
// own Draw would restore is restored once when the outermost pass ends. The pixels are those of
// drawing each sprite on its own. Passes nest; each thread (each GL context) has its own.
class CDrawPass {
public:
    CDrawPass();
    ~CDrawPass();
    CDrawPass(const CDrawPass&) = delete;
    CDrawPass& operator=(const CDrawPass&) = delete;

    static bool IsOpen();
    // The state one sprite draws with: depth testing as asked, blending unless the sprite is
    // opaque (with an opaque sprite blending and the alpha test change no pixel), the colour
    // (1, 1, 1, alpha / 255).
    static void UseSpriteState(bool depthTest, bool opaque, double alpha);
    // Forgets the colour: called by whatever colours behind the pass's back.
    static void Forget();
    // Whether the alpha test, as the pass found it, drops every fragment of a sprite drawn with
    // alpha 0: such a sprite changes neither colour nor depth, and need not be drawn.
    static bool DropsTransparent();
};

// Draws one textured quad, corners in Quad order, texture rectangle t (corner 3 gets s0, t0), all
// at depth.
void DrawTexturedQuad(GLuint texture, const Quad& q, const TexCoords& t, double depth);
