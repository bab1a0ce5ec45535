#include "engine/draw_pass.h"

namespace {

// What the pass knows of a GL switch: read when the pass opens, then kept up to date.
struct Switch {
    GLenum cap;
    bool on = false;
    bool atOpen = false;

    void Read() { on = atOpen = glIsEnabled(cap) == GL_TRUE; }
    void Set(bool wanted) {
        if (wanted != on) {
            wanted ? glEnable(cap) : glDisable(cap);
            on = wanted;
        }
    }
};

struct PassState {
    int depth = 0;
    Switch depthTest{GL_DEPTH_TEST};
    Switch blend{GL_BLEND};
    Switch alphaTest{GL_ALPHA_TEST};
    // What a sprite without depth testing draws with: the state before the pass until a sprite
    // with depth testing has drawn, which on its own would have switched it off afterwards.
    bool depthAfterSprite = false;
    bool drewSprite = false;
    bool blendFuncSet = false;
    bool dropsTransparent = false;
    // The colour's alpha as the pass last set it; -1 for unknown.
    double alpha = -1.0;
};

thread_local PassState pass;

}  // namespace

CDrawPass::CDrawPass() {
    if (pass.depth++ > 0) {
        return;
    }
    pass.depthTest.Read();
    pass.blend.Read();
    pass.alphaTest.Read();
    GLint func = GL_ALWAYS;
    GLfloat ref = 0.0f;
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &func);
    glGetFloatv(GL_ALPHA_TEST_REF, &ref);
    pass.dropsTransparent = pass.alphaTest.on && func == GL_GREATER && ref >= 0.0f;
    pass.depthAfterSprite = pass.depthTest.on;
    pass.drewSprite = false;
    pass.blendFuncSet = false;
    Forget();
}

CDrawPass::~CDrawPass() {
    if (--pass.depth > 0) {
        return;
    }
    // As the last sprite's own Draw would have left it.
    pass.depthTest.Set(pass.depthAfterSprite);
    pass.blend.Set(pass.drewSprite ? false : pass.blend.atOpen);
    pass.alphaTest.Set(pass.alphaTest.atOpen);
}

bool CDrawPass::IsOpen() {
    return pass.depth > 0;
}

void CDrawPass::UseSpriteState(bool depthTest, bool opaque, double alpha) {
    if (depthTest) {
        pass.depthTest.Set(true);
        pass.depthAfterSprite = false;
    } else {
        pass.depthTest.Set(pass.depthAfterSprite);
    }
    pass.blend.Set(!opaque);
    pass.alphaTest.Set(opaque ? false : pass.alphaTest.atOpen);
    if (!pass.blendFuncSet && !opaque) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        pass.blendFuncSet = true;
    }
    if (alpha != pass.alpha) {
        glColor4d(1.0, 1.0, 1.0, alpha / 255.0);
        pass.alpha = alpha;
    }
    pass.drewSprite = true;
}

bool CDrawPass::DropsTransparent() {
    return pass.depth > 0 && pass.dropsTransparent;
}

void CDrawPass::Forget() {
    pass.alpha = -1.0;
}

void DrawTexturedQuad(GLuint texture, const Quad& q, const TexCoords& t, double depth) {
    // Binding the texture that is already bound is not free in Mesa: the software renderer then
    // stores its whole sampler state again for every quad, kilobytes each, on the main thread.
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    if (static_cast<GLuint>(bound) != texture) {
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    const double s[4] = {t.s0, t.s1, t.s1, t.s0};
    const double tt[4] = {t.t1, t.t1, t.t0, t.t0};
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2d(s[i], tt[i]);
        glVertex3d(q.p[i].x, q.p[i].y, depth);
    }
    glEnd();
}
