#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The objects of a world file as its sections hold them, read and written in one place for the
// game and the editor: each reader gets the same values and defaults, and the editor writes the
// keys in the order its saves always had. What an object does with them is the reader's business.

// What one colour of the surface maps means for the things that move over it. The defaults are
// also the answer for ground that no modifier describes.
struct SurfaceModifier {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    // Factor on a car's driving force.
    double accel = 1.0;
    // Braking factor; read, not used by the cars.
    double brake = 1.0;
    // Factor on a wheel's rolling resistance and side grip.
    double frict = 1.0;
    // Force along the motion: positive pushes, negative drags.
    double activeAccel = 0.0;
    // Factor on a car's top speed.
    double topSpeed = 1.0;
};

// Where a car starts: its top-left corner in world pixels and its rotation in degrees.
struct StartPosition {
    double x = 0.0;
    double y = 0.0;
    double rot = 0.0;
};

// A ground tile: where its picture lies and the surface map over it. Its size is the picture's.
struct ASP_TileKeys {
    double x = 0.0;
    double y = 0.0;
    std::string texture;
    std::string surface;
};

// A surface modifier's section: what its colour means, and the sound of tyres on it.
struct ASP_ModifierKeys {
    SurfaceModifier surface;
    std::string sound;
};

// A placed object (static, checkpoint, physics object): place, depth, size, the point it turns
// about as fractions of its size, angle in degrees, and its picture with its animation.
struct ASP_PlacedKeys {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double width = 1.0;
    double height = 1.0;
    double rotX = 0.5;
    double rotY = 0.5;
    double angle = 0.0;
    std::string texture;
    // Frame size in pixels: a number in the file, whole pixels here.
    int tileWidth = 1;
    int tileHeight = 1;
    int animStart = 0;
    int animEnd = 0;
    // The frame shown first, when the file gives one (the reader then starts at the animation's
    // first frame); written only when set.
    std::optional<int> animPos;
    double animSpeed = 0.0;
};

struct ASP_CheckpointKeys {
    // Place in the order of checkpoints, counted from 0.
    int index = 0;
    bool isFinish = false;
};

struct ASP_PhysicsKeys {
    double mass = 1.0;
    double bounce = 0.0;
    bool fixedPos = false;
    bool fixedRot = false;
};

StartPosition ReadStart(const std::string& section, const std::string& file);
ASP_TileKeys ReadTile(const std::string& section, const std::string& file);
ASP_ModifierKeys ReadModifier(const std::string& section, const std::string& file);
ASP_PlacedKeys ReadPlaced(const std::string& section, const std::string& file);
ASP_CheckpointKeys ReadCheckpoint(const std::string& section, const std::string& file);
ASP_PhysicsKeys ReadPhysics(const std::string& section, const std::string& file);

// Each writes its keys into the section; false as soon as one could not be written.
bool WriteStart(const StartPosition& keys, const std::string& section, const std::string& file);
bool WriteTile(const ASP_TileKeys& keys, const std::string& section, const std::string& file);
bool WritePlaced(const ASP_PlacedKeys& keys, const std::string& section, const std::string& file);
bool WriteCheckpoint(const ASP_CheckpointKeys& keys, const std::string& section, const std::string& file);
bool WritePhysics(const ASP_PhysicsKeys& keys, const std::string& section, const std::string& file);
