#include "engine/particle_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

constexpr double kPi = 3.141592653589793;
// Clean-up runs on every 30th update.
constexpr int kUpdatesPerCleanUp = 30;

// The emitter ranges were tuned for a rand() of 0..32767; larger generators are cut to that range
// (which keeps the parity of each draw).
int RandomDraw() {
    return std::rand() % 32768;
}

// A fresh draw between a and b.
double RandomBetween(double a, double b) {
    return a + RandomDraw() / 32767.0 * (b - a);
}

// A distance from the range [dMin, dMax], to one side of origin or the other by a parity draw.
double ScatterAround(int origin, double dMin, double dMax) {
    const bool positive = RandomDraw() % 2 == 1;
    const double d = RandomBetween(dMin, dMax);
    return positive ? origin + d : origin - d;
}

// A particle without a start never lives, so it is collected like a dead one.
bool IsCollectable(const CParticleSprite& p) {
    return p.IsDead() || !p.HasStarted();
}

}  // namespace

CParticleEngine::CParticleEngine(CSprite* parent) : CSprite(parent) {
    LogLine(LOG_STATUS, "Instance created.");
}

CParticleEngine::~CParticleEngine() {
    LogLine(LOG_STATUS, "Instance removed.");
}

void CParticleEngine::Draw(void* target) {
    if (!IsVisible()) {
        return;
    }
    for (const std::unique_ptr<Emitter>& emitter : emitters) {
        if (emitter == nullptr) {
            continue;
        }
        for (const std::unique_ptr<CParticleSprite>& p : emitter->liveParticles) {
            if (p->HasStarted()) {
                p->Draw(target);
            }
        }
    }
}

void CParticleEngine::DrawIn(void* target, const Bounds& view) {
    const double s = GetScale();
    if (!IsVisible() || !(s > 0.0)) {
        Draw(target);
        return;
    }
    // The view in the engine's own frame, where the particles' outlines are known.
    const Bounds local{(view.minX - GetX()) / s, (view.minY - GetY()) / s, (view.maxX - GetX()) / s,
                       (view.maxY - GetY()) / s};
    for (const std::unique_ptr<Emitter>& emitter : emitters) {
        if (emitter == nullptr) {
            continue;
        }
        for (const std::unique_ptr<CParticleSprite>& p : emitter->liveParticles) {
            if (!p->HasStarted()) {
                continue;
            }
            if (p->GetParent() == this && Apart(BoundsOf(p->ParentQuad()), local)) {
                p->SkipRender();
            } else {
                p->Draw(target);
            }
        }
    }
}

void CParticleEngine::Update(double dt) {
    for (const std::unique_ptr<Emitter>& emitter : emitters) {
        if (emitter != nullptr) {
            UpdateEmitter(*emitter, dt);
        }
    }
    ++updateCount;
    if (updateCount >= kUpdatesPerCleanUp) {
        updateCount = 0;
        CleanUp();
    }
}

void CParticleEngine::UpdateEmitter(Emitter& emitter, double dt) {
    EmitterSettings& s = *emitter.settings;
    if (!s.frozen) {
        const Point attractor(s.attractX, s.attractY);
        for (const std::unique_ptr<CParticleSprite>& p : emitter.liveParticles) {
            const double m = p->GetMass();
            p->SetVelocity(p->GetVelocity() + Point(s.forceX, s.forceY) / m * dt);
            p->ApplyFriction(s.frict, dt);
            // A pull of one pixel per second squared per unit mass towards the attractor, along d
            // normalised by the sum of its absolute components.
            const Point c(p->GetX() + 0.5 * p->GetWidth(), p->GetY() + 0.5 * p->GetHeight());
            if (c != attractor) {
                const Point d = attractor - c;
                const double n = std::fabs(d.x) + std::fabs(d.y);
                p->SetVelocity(p->GetVelocity() + d / n / m * dt);
            }
            p->Update(dt);
        }
    }
    if (s.updateHook != nullptr) {
        s.updateHook(s, emitter.liveParticles, dt);
    }
}

void CParticleEngine::CleanUp() {
    for (int i = GetEmitterCount() - 1; i >= 0; --i) {
        if (emitters[i] == nullptr) {
            continue;
        }
        ParticleList& live = emitters[i]->liveParticles;
        live.erase(
            std::remove_if(live.begin(), live.end(),
                           [](const std::unique_ptr<CParticleSprite>& p) { return IsCollectable(*p); }),
            live.end());
        if (live.empty() && !emitters[i]->keep) {
            RemoveEmitter(i);
        }
    }
}

int CParticleEngine::AddEmitter(std::unique_ptr<EmitterSettings> settings, bool keep) {
    if (settings == nullptr) {
        LogLine(LOG_ERROR, "No emitter settings given, no emitter added.");
        return -1;
    }
    if (settings->prototypes.empty()) {
        LogLine(LOG_STATUS, "Emitter settings have no prototypes, no emitter added.");
        return -1;
    }
    const auto& prototypes = settings->prototypes;
    if (std::any_of(prototypes.begin(), prototypes.end(), [](const auto& p) { return p == nullptr; })) {
        LogLine(LOG_ERROR, "Emitter settings hold an empty prototype, no emitter added.");
        return -1;
    }
    auto emitter = std::make_unique<Emitter>();
    emitter->settings = std::move(settings);
    emitter->keep = keep;
    const auto freePlace = std::find(emitters.begin(), emitters.end(), nullptr);
    if (freePlace != emitters.end()) {
        *freePlace = std::move(emitter);
        return static_cast<int>(freePlace - emitters.begin());
    }
    emitters.push_back(std::move(emitter));
    return GetEmitterCount() - 1;
}

int CParticleEngine::ClampEmission(int count) const {
    if (count < 0) {
        LogLine(LOG_WARNING, "Negative emission count " + std::to_string(count) + ", nothing emitted.");
        return 0;
    }
    if (count > kMaxEmission) {
        LogLine(LOG_WARNING, "Emission count " + std::to_string(count) + " limited to " +
                                 std::to_string(kMaxEmission) + " per emitter.");
        return kMaxEmission;
    }
    return count;
}

void CParticleEngine::Emit(int index, int count) {
    if (index != -1 && GetEmitter(index) == nullptr) {
        LogLine(LOG_WARNING, "Emitter index " + std::to_string(index) + " does not exist, nothing emitted.");
        return;
    }
    count = ClampEmission(count);
    const int first = index == -1 ? 0 : index;
    const int last = index == -1 ? GetEmitterCount() - 1 : index;
    for (int i = first; i <= last; ++i) {
        Emitter* emitter = GetEmitter(i);
        if (emitter == nullptr || count == 0) {
            continue;
        }
        if (emitter->settings->prototypes.empty()) {
            LogLine(LOG_WARNING, "Emitter " + std::to_string(i) + " has no prototypes, nothing emitted.");
            continue;
        }
        if (emitter->settings->life <= 0.0 && !emitter->lifeWarned) {
            LogLine(LOG_WARNING,
                    "Emitter " + std::to_string(i) +
                        " gives its particles no life; they are collected at the next clean-up.");
            emitter->lifeWarned = true;
        }
        for (int n = 0; n < count; ++n) {
            EmitOne(*emitter);
        }
    }
}

// The order of the rand() draws is part of the behaviour: prototype, x parity and distance,
// y parity and distance, size, alpha, mass, spin, push angle, push strength.
void CParticleEngine::EmitOne(Emitter& emitter) {
    const EmitterSettings& s = *emitter.settings;
    const int choice = RandomDraw() % static_cast<int>(s.prototypes.size());
    auto p = std::make_unique<CParticleSprite>(*s.prototypes[choice]);
    p->SetParent(this);
    p->SetX(ScatterAround(s.originX, s.dXMin, s.dXMax) - 0.5 * p->GetWidth());
    p->SetY(ScatterAround(s.originY, s.dYMin, s.dYMax) - 0.5 * p->GetHeight());
    p->SetZ(0.0);
    const double size = RandomBetween(s.sizeMin, s.sizeMax);
    p->SetWidth(p->GetWidth() * size);
    p->SetHeight(p->GetHeight() * size);
    p->SetAlpha(RandomBetween(s.alphaMin, s.alphaMax));
    p->SetMass(RandomBetween(s.massMin, s.massMax));
    p->SetRotationSpeed(RandomBetween(s.rotMin, s.rotMax));
    const double a = RandomBetween(s.angleMin, s.angleMax) / 180.0 * kPi;
    const double f = RandomBetween(s.forceMin, s.forceMax);
    const double m = p->GetMass();
    p->SetVelocity(p->GetVelocity() + Point(std::sin(a), -std::cos(a)) * f / m);
    p->Start(s.life, s.fadeIn, s.fadeOut);
    emitter.liveParticles.push_back(std::move(p));
}

void CParticleEngine::RemoveEmitter(int index) {
    if (GetEmitter(index) == nullptr) {
        LogLine(LOG_WARNING, "Emitter index " + std::to_string(index) + " does not exist, nothing removed.");
        return;
    }
    emitters[index].reset();
}

Emitter* CParticleEngine::GetEmitter(int index) {
    if (index < 0 || index >= GetEmitterCount()) {
        return nullptr;
    }
    return emitters[index].get();
}
