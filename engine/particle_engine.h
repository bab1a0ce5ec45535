#pragma once

#include <memory>
#include <vector>

#include "engine/particle_sprite.h"
#include "engine/sprite.h"

using ParticleList = std::vector<std::unique_ptr<CParticleSprite>>;

struct EmitterSettings;

// Called after an emitter's particles were updated, with its settings, its live particles and dt.
using EmitterUpdateHook = void (*)(EmitterSettings& settings, ParticleList& live, double dt);

// How an emitter throws its particles. Distances and sizes in pixels, angles in degrees with
// 0 towards -y and 90 towards +x, alpha 0..255, spin in degrees per second, times in seconds.
// Each emission draws a value between the Min and the Max of every range.
struct EmitterSettings {
    // The images to copy; never null.
    std::vector<std::unique_ptr<CParticleSprite>> prototypes;
    // Emission point in the engine's frame.
    int originX = 0;
    int originY = 0;
    double dXMin = 0.0;
    double dXMax = 0.0;
    double dYMin = 0.0;
    double dYMax = 0.0;
    double sizeMin = 0.0;
    double sizeMax = 0.0;
    double angleMin = 0.0;
    double angleMax = 0.0;
    double alphaMin = 0.0;
    double alphaMax = 0.0;
    double forceMin = 0.0;
    double forceMax = 0.0;
    double rotMin = 0.0;
    double rotMax = 0.0;
    double massMin = 0.0;
    double massMax = 0.0;
    // Constant force on every live particle.
    double forceX = 0.0;
    double forceY = 0.0;
    // Every live particle is drawn towards this point of the engine's frame.
    int attractX = 0;
    int attractY = 0;
    // See CParticleSprite::ApplyFriction.
    double frict = 0.0;
    double life = 1.0;
    double fadeIn = 0.0;
    double fadeOut = 0.0;
    EmitterUpdateHook updateHook = nullptr;
    // The particles of a frozen emitter get no per-particle update.
    bool frozen = false;
};

struct Emitter {
    std::unique_ptr<EmitterSettings> settings;
    // In emission order.
    ParticleList liveParticles;
    // The emitter stays when it has no live particle.
    bool keep = true;
    // Settings without a positive life are reported once per emitter.
    bool lifeWarned = false;
};

// One sprite of the scene that runs any number of emitters. Dead particles stay in their lists,
// transparent, until the clean-up of every 30th update collects them.
class CParticleEngine : public CSprite {
public:
    // The most particles one emitter throws in one Emit call.
    static constexpr int kMaxEmission = 1000;

    explicit CParticleEngine(CSprite* parent);
    ~CParticleEngine() override;
    CParticleEngine(const CParticleEngine&) = delete;
    CParticleEngine& operator=(const CParticleEngine&) = delete;

    void Draw(void* target) override;
    // Draw for a view that shows only `view` of the engine's parent's frame: particles that cannot
    // reach into it are skipped, which changes no pixel of the view.
    void DrawIn(void* target, const Bounds& view);
    void Update(double dt) override;

    // Takes the settings with their prototypes. Returns the emitter's index (the first free place),
    // or -1 when settings are missing or unusable, which are then deleted. An emitter without keep
    // is removed by the clean-up once its last particle is gone.
    int AddEmitter(std::unique_ptr<EmitterSettings> settings, bool keep = true);
    // Emits count particles from emitter index, or from every emitter in turn with index -1.
    void Emit(int index, int count);
    // Deletes the emitter with its particles and settings; its place becomes free.
    void RemoveEmitter(int index);

    // The emitter at index, or null when that place is out of range or free. Users move the
    // origin and turn the angle range between emissions through its settings.
    Emitter* GetEmitter(int index);
    int GetEmitterCount() const { return static_cast<int>(emitters.size()); }

private:
    void EmitOne(Emitter& emitter);
    void UpdateEmitter(Emitter& emitter, double dt);
    void CleanUp();
    int ClampEmission(int count) const;

    std::vector<std::unique_ptr<Emitter>> emitters;
    int updateCount = 0;
};
