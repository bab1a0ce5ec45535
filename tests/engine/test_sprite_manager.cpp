#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/image_sprite.h"
#include "engine/image_sprite_ex.h"
#include "engine/sprite_manager.h"
#include "tests/support/bmp_file.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"

namespace {

// What the probes did, in order: "draw A", "update B", "A hits B at 10,10", "destroy C".
using Journal = std::vector<std::string>;
Journal journal;

// A 10 x 10 box at (x, y) that writes every call of interest to a journal, contacts in full precision.
class Probe : public CImageSpriteEx {
public:
    Probe(std::string name, double x = 0, double y = 0) : CImageSpriteEx(nullptr), name(std::move(name)) {
        SetPosition(x, y);
        SetSize(10.0, 10.0);
    }
    ~Probe() override { journal.push_back("destroy " + name); }
    void Draw(void*) override { journal.push_back("draw " + name); }
    void OnUpdate(double) override { Note("update " + name); }
    bool OnCollision(CSprite* other, Point at) override {
        std::ostringstream entry;
        entry.precision(17);
        entry << name << " hits " << static_cast<Probe*>(other)->name << " at " << at.x << "," << at.y;
        Note(entry.str());
        return passOn;
    }
    void Note(const std::string& entry) {
        journal.push_back(entry);
        hook();
    }

    std::string name;
    bool passOn = true;
    std::function<void()> hook = [] {};
};

}  // namespace

TEST(SpriteManager, OwnsItsChildrenReusesFreeEntriesRefusesLoopsAndDeletesWhatAPassRemovesAtItsEnd) {
    journal.clear();
    {
        CSpriteManager manager(nullptr);
        auto* b = new Probe("B", 100.0, 50.0);
        auto* k = new Probe("K", 10.0, 20.0);
        k->SetParent(b);
        manager.AddSprite(new Probe("A"));
        EXPECT_EQ(manager.AddSprite(b), 1);
        manager.AddSprite(new Probe("C"));
        EXPECT_EQ(manager.AddSprite(b), 1);
        manager.AddSprite(k);
        // Neither null, the manager itself nor one of its parents can be a child.
        CSpriteManager inner(manager.textureManager);
        inner.SetParent(&manager);
        EXPECT_EQ(manager.AddSprite(nullptr) + manager.AddSprite(&manager) + inner.AddSprite(&manager), -3);
        manager.RemoveSprite(1);
        manager.RemoveSprite(1);
        EXPECT_EQ(journal, Journal({"destroy B"}));
        // B's child moves to the manager and keeps its place on screen.
        EXPECT_EQ(Point(k->GetGlobalX(), k->GetGlobalY()), Point(110.0, 70.0));
        journal.clear();
    }
    EXPECT_EQ(journal, Journal({"destroy A", "destroy C", "destroy K"}));

    // Sprites removed during a pass are skipped and deleted when it ends.
    journal.clear();
    CSpriteManager manager(nullptr);
    auto* a = new Probe("A");
    auto* b = new Probe("B");
    manager.AddSprite(a);
    manager.AddSprite(b);
    manager.AddSprite(new Probe("C"));
    // A removes itself and C; B adds E, which joins the pass.
    a->hook = [&] {
        manager.RemoveSprite(0);
        manager.RemoveSprite(2);
        journal.push_back("A still here");
    };
    b->hook = [&] { EXPECT_EQ(manager.AddSprite(new Probe("E")), 0); };
    manager.Update(0.1);
    manager.Draw(nullptr);
    EXPECT_EQ(journal, Journal({"update A", "A still here", "update B", "update E", "destroy A", "destroy C",
                                "draw E", "draw B"}));
}

TEST(SpriteManager, CollisionPairsComeInListOrderAsTheAllPairsLoopFindsThemAndHooksMayRemoveSprites) {
    CSpriteManager manager(nullptr);
    manager.SetX(100.0);
    auto* a = new Probe("A", 0.0, 0.0);
    auto* b = new Probe("B", 5.0, 5.0);
    auto* c = new Probe("C", 3.0, 3.0);
    for (Probe* probe : {a, b, c, new Probe("F", 50.0, 50.0)}) {
        manager.AddSprite(probe);
    }
    b->SetZ(0.3);
    EXPECT_EQ(manager.GetSpritesAt(104, 4), std::vector<CSprite*>({a, c}));
    EXPECT_EQ(manager.GetSpriteAt(102, 2), a);
    // A picks B up: B is not told and takes part in no further pair. C clears everything.
    journal.clear();
    a->hook = [&] { manager.RemoveSprite(1); };
    c->hook = [&] { manager.RemoveAll(); };
    manager.CheckCollisions();
    EXPECT_EQ(journal, Journal({"A hits B at 110,10", "A hits C at 110,10", "C hits A at 110,10", "destroy B",
                                "destroy A", "destroy C", "destroy F"}));

    // Turned, touching, nested and empty outlines, some stepping aside on each hit: the pass reports what
    // testing every pair in list order reports, in that order, with the same contacts.
    std::srand(5);
    const auto random = [](double range) { return range * std::rand() / RAND_MAX; };
    for (int scene = 0; scene < 150; ++scene) {
        CSpriteManager manager(nullptr);
        std::vector<Probe*> probes;
        std::vector<Point> places;
        for (int i = 0, n = 2 + std::rand() % 40; i < n; ++i) {
            auto* s = new Probe(std::to_string(i));
            const Probe* last = probes.empty() ? nullptr : probes.back();
            const int kind = last != nullptr ? std::rand() % 4 : 0;
            if (kind == 1) {  // touching the last one's right edge
                s->SetPosition(last->GetX() + last->GetWidth(), last->GetY());
                s->SetSize(random(40.0), last->GetHeight());
            } else if (kind == 2) {  // inside the last one
                s->SetPosition(last->GetX() + 1.0, last->GetY() + 1.0);
                s->SetSize(last->GetWidth() * 0.5, last->GetHeight() * 0.5);
                s->SetRotation(last->GetRotation());
            } else {  // anywhere, turned or not; the last kind without area
                s->SetPosition(random(300.0), random(300.0));
                s->SetSize(kind == 3 ? 0.0 : random(80.0), random(80.0));
                s->SetRotation(std::rand() % 2 ? random(360.0) : 0.0);
            }
            s->passOn = i % 3 != 0;
            if (std::rand() % 4 == 0) {
                s->hook = [s] { s->SetX(s->GetX() + 7.0); };
            }
            manager.AddSprite(s);
            probes.push_back(s);
            places.emplace_back(s->GetX(), s->GetY());
        }
        journal.clear();
        for (size_t i = 0; i < probes.size(); ++i) {
            for (size_t j = i + 1; j < probes.size(); ++j) {
                Point contact;
                if (probes[i]->Collides(probes[j], &contact) && probes[i]->OnCollision(probes[j], contact)) {
                    probes[j]->OnCollision(probes[i], contact);
                }
            }
        }
        const Journal expected = std::move(journal);
        journal.clear();
        for (size_t i = 0; i < probes.size(); ++i) {
            probes[i]->SetPosition(places[i].x, places[i].y);
        }
        manager.CheckCollisions();
        ASSERT_EQ(journal, expected) << "scene " << scene;
    }
}

class SpriteManagerGL : public GLTest {
protected:
    // A 40 x 40 square of one colour at (x, 20), drawn without depth test so that only the order counts.
    CImageSprite* Square(CTextureManager* tm, const std::string& name, Uint32 rgb, double x, double z) {
        auto* s = new CImageSprite(nullptr);
        s->SetTexture(tm->GetTexture(WriteSolidBmp(folder.File(name), 4, 4, rgb)));
        s->GetTexture()->SetSmooth(false);
        s->SetPosition(x, 20.0);
        s->SetSize(40.0, 40.0);
        s->SetZ(z);
        s->depthTest = false;
        return s;
    }

    TempFolder folder;
};

TEST_F(SpriteManagerGL, DepthOrderOnRequestAndTexturesUnloadedOnlyWhenNoChildUsesThem) {
    CSpriteManager manager(nullptr);
    CTextureManager* own = manager.textureManager;
    manager.AddSprite(Square(own, "red.bmp", 0xFF0000, 10.0, 0.5));
    manager.AddSprite(Square(own, "green.bmp", 0x00FF00, 30.0, -0.2));
    manager.AddSprite(Square(own, "blue.bmp", 0x0000FF, 40.0, 0.5));
    manager.Draw(nullptr);
    EXPECT_EQ(Pixel(35, 40).g, 255);
    // Sorted, the nearer red covers green; equal depths keep their order, so blue still covers red.
    manager.sortByZ = true;
    manager.Draw(nullptr);
    EXPECT_EQ(std::pair(Pixel(35, 40).r, Pixel(45, 40).b), std::pair(uint8_t{255}, uint8_t{255}));

    manager.AddSprite(Square(own, "red.bmp", 0xFF0000, 0.0, 0.0));
    const std::string red = TextureName(folder.File("red.bmp"));
    manager.RemoveSprite(0);
    EXPECT_GE(own->FindTexture(red), 0);
    manager.RemoveSprite(3);
    EXPECT_EQ(own->FindTexture(red), -1);
    // A shared texture manager keeps its textures.
    CTextureManager shared;
    CSpriteManager user(&shared);
    user.AddSprite(Square(&shared, "red.bmp", 0xFF0000, 0.0, 0.0));
    user.RemoveAll();
    EXPECT_EQ(shared.Count(), 1);
}

// A wholly transparent sprite is left out only where the alpha test drops every fragment of it:
// without the test it still writes depth and hides what lies behind it.
TEST_F(SpriteManagerGL, TransparentSpritesHideNothingUnderTheAlphaTestAndWriteDepthWithoutIt) {
    for (const bool alphaTest : {true, false}) {
        alphaTest ? glEnable(GL_ALPHA_TEST) : glDisable(GL_ALPHA_TEST);
        CSpriteManager manager(nullptr);
        CImageSprite* glass = Square(manager.textureManager, "glass.bmp", 0xFFFFFF, 20.0, 0.5);
        CImageSprite* behind = Square(manager.textureManager, "red.bmp", 0xFF0000, 20.0, -0.5);
        glass->SetAlpha(0);
        glass->depthTest = behind->depthTest = true;
        manager.AddSprite(glass);
        manager.AddSprite(behind);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        manager.Draw(nullptr);
        EXPECT_EQ(Pixel(40, 40).r, alphaTest ? 255 : 0)
            << (alphaTest ? "with" : "without") << " the alpha test";
    }
    glEnable(GL_ALPHA_TEST);
}
