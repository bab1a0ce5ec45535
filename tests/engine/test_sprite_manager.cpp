#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/image_sprite.h"
#include "engine/log.h"
#include "engine/sprite_manager.h"
#include "engine/texture_manager.h"
#include "tests/support/gl_test.h"

// Test classes live at global scope: the class name in a log line carries no namespace.

// What the probes did, in order: "draw A", "update B", "collide A B", "destroy C".
using Journal = std::vector<std::string>;

// An axis-aligned box that writes every call of interest to a journal.
class ProbeSprite : public CSprite {
public:
    ProbeSprite(std::string name, Journal* journal, double x = 0.0, double y = 0.0, double size = 10.0)
        : CSprite(nullptr), name(std::move(name)), journal(journal) {
        SetX(x);
        SetY(y);
        SetWidth(size);
        SetHeight(size);
    }
    ~ProbeSprite() override { journal->push_back("destroy " + name); }

    void Draw(void* target) override {
        (void)target;
        journal->push_back("draw " + name);
    }
    void Update(double dt) override {
        (void)dt;
        journal->push_back("update " + name);
        if (onUpdate) {
            onUpdate();
        }
    }
    Quad GetCorners() const override {
        const double gx = GetGlobalX();
        const double gy = GetGlobalY();
        const double w = GetGlobalWidth();
        const double h = GetGlobalHeight();
        Quad q;
        q.p[0] = Point(gx, gy + h);
        q.p[1] = Point(gx + w, gy + h);
        q.p[2] = Point(gx + w, gy);
        q.p[3] = Point(gx, gy);
        return q;
    }
    bool OnCollision(CSprite* other, Point contact) override {
        journal->push_back("collide " + name + " " + static_cast<ProbeSprite*>(other)->name + " at " +
                           std::to_string(static_cast<int>(contact.x)) + "," +
                           std::to_string(static_cast<int>(contact.y)));
        if (onCollision) {
            onCollision();
        }
        return passOn;
    }

    std::string name;
    Journal* journal;
    bool passOn = true;
    std::function<void()> onUpdate;
    std::function<void()> onCollision;
};

namespace {

std::string Captured(const std::function<void()>& body) {
    testing::internal::CaptureStdout();
    body();
    return testing::internal::GetCapturedStdout();
}

Journal Only(const Journal& journal, const std::string& prefix) {
    Journal kept;
    for (const std::string& entry : journal) {
        if (entry.compare(0, prefix.size(), prefix) == 0) {
            kept.push_back(entry);
        }
    }
    return kept;
}

}  // namespace

TEST(SpriteManager, OwnsChildrenAndReusesEmptyEntries) {
    Journal journal;
    {
        CSpriteManager manager(nullptr);
        EXPECT_TRUE(manager.OwnsTextureManager());
        EXPECT_TRUE(manager.unloadTexturesOnClear);
        auto* b = new ProbeSprite("B", &journal);
        EXPECT_EQ(manager.AddSprite(new ProbeSprite("A", &journal)), 0);
        EXPECT_EQ(manager.AddSprite(b), 1);
        EXPECT_EQ(manager.AddSprite(new ProbeSprite("C", &journal)), 2);
        EXPECT_EQ(manager.AddSprite(b), 1);
        EXPECT_EQ(manager.GetSpriteCount(), 3);
        EXPECT_EQ(b->GetParent(), &manager);

        manager.RemoveSprite(1);
        EXPECT_EQ(journal, Journal({"destroy B"}));
        EXPECT_EQ(manager.GetSprite(1), nullptr);
        EXPECT_EQ(manager.GetSpriteCount(), 3);
        manager.RemoveSprite(1);
        manager.RemoveSprite(-1);
        manager.RemoveSprite(3);
        EXPECT_EQ(journal.size(), 1u);

        EXPECT_EQ(manager.AddSprite(new ProbeSprite("D", &journal)), 1);
        journal.clear();
        manager.Draw(nullptr);
        manager.Update(0.1);
        EXPECT_EQ(journal, Journal({"draw A", "draw D", "draw C", "update A", "update D", "update C"}));
        journal.clear();
    }
    EXPECT_EQ(journal, Journal({"destroy A", "destroy D", "destroy C"}));
}

TEST(SpriteManager, RefusesSpritesThatCannotBeChildren) {
    CSpriteManager outer(nullptr);
    auto* inner = new CSpriteManager(outer.textureManager);
    EXPECT_FALSE(inner->OwnsTextureManager());
    EXPECT_FALSE(inner->unloadTexturesOnClear);
    EXPECT_EQ(outer.AddSprite(inner), 0);
    EXPECT_EQ(inner->GetParent(), &outer);

    EXPECT_EQ(outer.AddSprite(nullptr), -1);
    EXPECT_EQ(outer.AddSprite(&outer), -1);
    EXPECT_EQ(inner->AddSprite(&outer), -1);
    EXPECT_EQ(inner->AddSprite(inner), -1);
    EXPECT_EQ(outer.GetSpriteCount(), 1);
    EXPECT_EQ(inner->GetSpriteCount(), 0);
    EXPECT_EQ(outer.GetParent(), nullptr);
}

TEST(SpriteManager, KeepsAParentThatIsAChildAndAdoptsItsOrphans) {
    Journal journal;
    CSpriteManager manager(nullptr);
    manager.SetX(5.0);
    auto* b = new ProbeSprite("B", &journal, 100.0, 50.0);
    ProbeSprite stranger("S", &journal);
    auto* child = new ProbeSprite("C", &journal, 10.0, 20.0);
    auto* other = new ProbeSprite("O", &journal, 1.0, 2.0);
    child->SetParent(b);
    other->SetParent(&stranger);
    manager.AddSprite(b);
    manager.AddSprite(child);
    manager.AddSprite(other);
    EXPECT_EQ(child->GetParent(), b);
    EXPECT_EQ(other->GetParent(), &manager);
    EXPECT_DOUBLE_EQ(child->GetGlobalX(), 115.0);
    EXPECT_DOUBLE_EQ(child->GetGlobalY(), 70.0);

    // Deleting B must not leave its child hanging on a dead parent; it stays where it was shown.
    manager.RemoveSprite(0);
    EXPECT_EQ(child->GetParent(), &manager);
    EXPECT_DOUBLE_EQ(child->GetGlobalX(), 115.0);
    EXPECT_DOUBLE_EQ(child->GetGlobalY(), 70.0);
    EXPECT_DOUBLE_EQ(child->GetX(), 110.0);
}

TEST(SpriteManager, SortsByDepthOnlyWhenAskedAndKeepsEqualDepthsInOrder) {
    Journal journal;
    CSpriteManager manager(nullptr);
    auto* first = new ProbeSprite("first", &journal);
    auto* back = new ProbeSprite("back", &journal);
    auto* second = new ProbeSprite("second", &journal);
    first->SetZ(0.5);
    back->SetZ(-0.2);
    second->SetZ(0.5);
    manager.AddSprite(first);
    manager.AddSprite(back);
    manager.AddSprite(second);

    manager.Draw(nullptr);
    EXPECT_EQ(journal, Journal({"draw first", "draw back", "draw second"}));

    journal.clear();
    manager.sortByZ = true;
    manager.Draw(nullptr);
    manager.Update(0.0);
    EXPECT_EQ(journal, Journal({"draw back", "draw first", "draw second", "update back", "update first",
                                "update second"}));

    // Adding rebuilds the list in insertion order; the next Draw sorts it again.
    journal.clear();
    auto* front = new ProbeSprite("front", &journal);
    front->SetZ(0.9);
    auto* deepest = new ProbeSprite("deepest", &journal);
    deepest->SetZ(-1.0);
    manager.AddSprite(front);
    manager.AddSprite(deepest);
    manager.Update(0.0);
    manager.Draw(nullptr);
    EXPECT_EQ(Only(journal, "update"),
              Journal({"update first", "update back", "update second", "update front", "update deepest"}));
    EXPECT_EQ(Only(journal, "draw"),
              Journal({"draw deepest", "draw back", "draw first", "draw second", "draw front"}));
}

TEST(SpriteManager, HiddenManagerDrawsNothingButUpdatesItsChildren) {
    Journal journal;
    CSpriteManager manager(nullptr);
    auto* hidden = new ProbeSprite("hidden", &journal);
    hidden->SetVisible(false);
    manager.AddSprite(hidden);
    manager.AddSprite(new ProbeSprite("shown", &journal));
    manager.SetVisible(false);
    manager.Draw(nullptr);
    manager.Update(0.02);
    EXPECT_EQ(journal, Journal({"update hidden", "update shown"}));

    CSpriteManager empty(nullptr);
    empty.Draw(nullptr);
    empty.Update(0.02);
    empty.CheckCollisions();
    EXPECT_EQ(empty.GetSpriteAt(0, 0), nullptr);
}

TEST(SpriteManager, CollisionPairsInListOrderAndTheHandledFlag) {
    Journal journal;
    CSpriteManager manager(nullptr);
    auto* a = new ProbeSprite("A", &journal, 0.0, 0.0);
    auto* b = new ProbeSprite("B", &journal, 5.0, 5.0);
    auto* c = new ProbeSprite("C", &journal, 3.0, 3.0);
    auto* far = new ProbeSprite("F", &journal, 50.0, 50.0);
    c->SetVisible(false);
    manager.AddSprite(a);
    manager.AddSprite(b);
    manager.AddSprite(c);
    manager.AddSprite(far);

    manager.CheckCollisions();
    // The contact is the first corner of one box inside the other: A's corner 1 at (10, 10).
    EXPECT_EQ(journal, Journal({"collide A B at 10,10", "collide B A at 10,10", "collide A C at 10,10",
                                "collide C A at 10,10", "collide B C at 13,13", "collide C B at 13,13"}));

    journal.clear();
    a->passOn = false;
    manager.CheckCollisions();
    EXPECT_EQ(journal, Journal({"collide A B at 10,10", "collide A C at 10,10", "collide B C at 13,13",
                                "collide C B at 13,13"}));
}

TEST(SpriteManager, FindsTheSpritesAtAPoint) {
    Journal journal;
    CSpriteManager manager(nullptr);
    auto* low = new ProbeSprite("low", &journal, 0.0, 0.0, 20.0);
    auto* high = new ProbeSprite("high", &journal, 10.0, 10.0, 20.0);
    auto* twin = new ProbeSprite("twin", &journal, 10.0, 10.0, 20.0);
    high->SetZ(0.3);
    twin->SetZ(0.3);
    twin->SetVisible(false);
    manager.AddSprite(low);
    manager.AddSprite(high);
    manager.AddSprite(twin);

    EXPECT_EQ(manager.GetSpritesAt(15, 15), std::vector<CSprite*>({low, high, twin}));
    EXPECT_EQ(manager.GetSpritesAt(5, 5), std::vector<CSprite*>({low}));
    EXPECT_TRUE(manager.GetSpritesAt(100, 5).empty());
    EXPECT_EQ(manager.GetSpriteAt(15, 15), high);
    EXPECT_EQ(manager.GetSpriteAt(5, 5), low);
    EXPECT_EQ(manager.GetSpriteAt(-1, 5), nullptr);

    // Children are found by their global outline, below a moved manager as well.
    manager.SetX(100.0);
    EXPECT_EQ(manager.GetSpriteAt(105, 5), low);
    EXPECT_EQ(manager.GetSpriteAt(5, 5), nullptr);
}

TEST(SpriteManager, RemovalFromInsideAPassWaitsForItsEnd) {
    Journal journal;
    CSpriteManager manager(nullptr);
    auto* a = new ProbeSprite("A", &journal);
    auto* b = new ProbeSprite("B", &journal);
    auto* c = new ProbeSprite("C", &journal);
    manager.AddSprite(a);
    manager.AddSprite(b);
    manager.AddSprite(c);

    // A removes itself and C; B adds E. A is destroyed only after the pass, C is not updated, E is.
    a->onUpdate = [&] {
        manager.RemoveSprite(0);
        manager.RemoveSprite(2);
        journal.push_back("A still here");
    };
    b->onUpdate = [&] { EXPECT_EQ(manager.AddSprite(new ProbeSprite("E", &journal)), 0); };
    manager.Update(0.1);
    EXPECT_EQ(journal,
              Journal({"update A", "A still here", "update B", "update E", "destroy A", "destroy C"}));
    EXPECT_EQ(manager.GetSpritesAt(5, 5), std::vector<CSprite*>({manager.GetSprite(0), b}));

    journal.clear();
    manager.Draw(nullptr);
    EXPECT_EQ(journal, Journal({"draw E", "draw B"}));
}

TEST(SpriteManager, RemovalFromACollisionHookIsSafe) {
    Journal journal;
    CSpriteManager manager(nullptr);
    auto* a = new ProbeSprite("A", &journal, 0.0, 0.0);
    auto* b = new ProbeSprite("B", &journal, 5.0, 5.0);
    auto* c = new ProbeSprite("C", &journal, 3.0, 3.0);
    manager.AddSprite(a);
    manager.AddSprite(b);
    manager.AddSprite(c);

    // A picks B up: B is not told about the pair and takes part in no further pair.
    a->onCollision = [&] {
        if (manager.GetSprite(1) != nullptr) {
            manager.RemoveSprite(1);
        }
    };
    manager.CheckCollisions();
    EXPECT_EQ(journal,
              Journal({"collide A B at 10,10", "collide A C at 10,10", "collide C A at 10,10", "destroy B"}));

    // Clearing everything from a hook ends the pass without touching the removed sprites.
    journal.clear();
    manager.unloadTexturesOnClear = false;
    a->onCollision = [&] { manager.RemoveAll(); };
    manager.CheckCollisions();
    EXPECT_EQ(journal, Journal({"collide A C at 10,10", "destroy A", "destroy C"}));
    EXPECT_EQ(manager.GetSpriteCount(), 0);
    EXPECT_TRUE(manager.GetSpritesAt(5, 5).empty());
}

class SpriteManagerGL : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        // Texture names are lower-cased before they are opened, so the folder is lower case too.
        dir = "/tmp/asphaltia_sprite_manager_" + std::to_string(getpid());
        ASSERT_EQ(std::system(("mkdir -p '" + dir + "'").c_str()), 0);
        WriteBmp(File("red.bmp"), 0xFF0000);
        WriteBmp(File("green.bmp"), 0x00FF00);
    }
    void TearDown() override { EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0); }

    std::string File(const std::string& name) const { return dir + "/" + name; }

    static void WriteBmp(const std::string& path, Uint32 colour) {
        SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        SDL_FillRect(s, nullptr, colour);
        ASSERT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
        SDL_FreeSurface(s);
    }

    // A 40x40 square of one texture, drawn without depth test so only the drawing order counts.
    CImageSprite* Square(CTextureManager* tm, const std::string& file, double x, double z) {
        auto* s = new CImageSprite(nullptr);
        CTexture* texture = tm->GetTexture(File(file));
        // Without filtering the clamped edges do not fade into black.
        texture->SetSmooth(false);
        s->SetTexture(texture);
        s->SetPosition(x, 20.0);
        s->SetSize(40.0, 40.0);
        s->SetZ(z);
        s->depthTest = false;
        return s;
    }

    std::string dir;
};

TEST_F(SpriteManagerGL, NearerSpritesAreDrawnOverFartherOnes) {
    CSpriteManager manager(nullptr);
    manager.AddSprite(Square(manager.textureManager, "red.bmp", 10.0, 0.5));
    manager.AddSprite(Square(manager.textureManager, "green.bmp", 30.0, -0.2));

    // Insertion order: green, added last, covers the overlap.
    manager.Draw(nullptr);
    EXPECT_EQ(Pixel(40, 40).g, 255);
    EXPECT_EQ(Pixel(40, 40).r, 0);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    manager.sortByZ = true;
    manager.Draw(nullptr);
    EXPECT_EQ(Pixel(40, 40).r, 255);
    EXPECT_EQ(Pixel(40, 40).g, 0);
    EXPECT_EQ(Pixel(20, 40).r, 255);
    EXPECT_EQ(Pixel(65, 40).g, 255);
    EXPECT_EQ(CountLitPixels(0, 0, 128, 128), 60 * 40);
}

TEST_F(SpriteManagerGL, RemovalUnloadsATextureOnlyWhenNoChildUsesItAnyMore) {
    EnableLogging();
    CSpriteManager manager(nullptr);
    CTextureManager* tm = manager.textureManager;
    manager.AddSprite(Square(tm, "red.bmp", 0.0, 0.0));
    manager.AddSprite(Square(tm, "red.bmp", 10.0, 0.0));
    manager.AddSprite(Square(tm, "green.bmp", 20.0, 0.0));
    const std::string red = TextureName(File("red.bmp"));
    ASSERT_GE(tm->FindTexture(red), 0);

    manager.RemoveSprite(0);
    EXPECT_GE(tm->FindTexture(red), 0);
    manager.RemoveSprite(1);
    EXPECT_EQ(tm->FindTexture(red), -1);
    EXPECT_EQ(tm->Count(), 1);

    const std::string log = Captured([&] { manager.RemoveAll(); });
    EXPECT_EQ(tm->Count(), 0);
    const size_t textures = log.find("STATUS in class CTextureManager: All textures unloaded.");
    const size_t sprites = log.find("STATUS in class CSpriteManager: All Sprites removed.");
    ASSERT_NE(textures, std::string::npos);
    ASSERT_NE(sprites, std::string::npos);
    EXPECT_LT(textures, sprites);
}

TEST_F(SpriteManagerGL, ASharedTextureManagerKeepsItsTextures) {
    EnableLogging();
    CTextureManager shared;
    std::string log = Captured([&] {
        CSpriteManager manager(&shared);
        manager.AddSprite(Square(&shared, "red.bmp", 0.0, 0.0));
        manager.AddSprite(Square(&shared, "green.bmp", 0.0, 0.0));
        manager.RemoveSprite(0);
        manager.RemoveAll();
    });
    EXPECT_EQ(shared.Count(), 2);
    EXPECT_EQ(log.find("All textures unloaded."), std::string::npos);
    EXPECT_NE(log.find("STATUS in class CSpriteManager: Instance initialized."), std::string::npos);
    EXPECT_NE(log.find("STATUS in class CSpriteManager: All Sprites removed."), std::string::npos);
    EXPECT_NE(log.find("STATUS in class CSpriteManager: Instance removed."), std::string::npos);
}
