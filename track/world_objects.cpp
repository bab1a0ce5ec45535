#include "track/world_objects.h"

#include "engine/geometry.h"
#include "engine/ini.h"
#include "track/world_file.h"
#include "track/world_keys.h"

using namespace world_key;

StartPosition ReadStart(const std::string& section, const std::string& file) {
    StartPosition keys;
    keys.rot = GetIniDouble(section, kRotation, keys.rot, file);
    keys.y = GetIniDouble(section, kY, keys.y, file);
    keys.x = GetIniDouble(section, kX, keys.x, file);
    return keys;
}

ASP_TileKeys ReadTile(const std::string& section, const std::string& file) {
    ASP_TileKeys keys;
    keys.x = GetIniDouble(section, kX, keys.x, file);
    keys.y = GetIniDouble(section, kY, keys.y, file);
    keys.texture = GetIniString(section, kTexture, "", file);
    keys.surface = GetIniString(section, kSurface, "", file);
    return keys;
}

ASP_ModifierKeys ReadModifier(const std::string& section, const std::string& file) {
    ASP_ModifierKeys keys;
    SurfaceModifier& m = keys.surface;
    // One byte each: the low 8 bits of what the file says.
    m.b = static_cast<uint8_t>(GetIniInt(section, kBlue, 0, file) & 0xFF);
    m.g = static_cast<uint8_t>(GetIniInt(section, kGreen, 0, file) & 0xFF);
    m.r = static_cast<uint8_t>(GetIniInt(section, kRed, 0, file) & 0xFF);
    m.accel = GetIniDouble(section, kAccel, m.accel, file);
    m.brake = GetIniDouble(section, kBrake, m.brake, file);
    m.frict = GetIniDouble(section, kFriction, m.frict, file);
    m.activeAccel = GetIniDouble(section, kActiveAccel, m.activeAccel, file);
    m.topSpeed = GetIniDouble(section, kTopSpeed, m.topSpeed, file);
    keys.sound = GetIniString(section, kSound, "", file);
    return keys;
}

ASP_PlacedKeys ReadPlaced(const std::string& section, const std::string& file) {
    ASP_PlacedKeys keys;
    keys.x = GetIniDouble(section, kX, keys.x, file);
    keys.y = GetIniDouble(section, kY, keys.y, file);
    keys.z = GetIniDouble(section, kZ, keys.z, file);
    keys.width = GetIniDouble(section, kWidth, keys.width, file);
    keys.height = GetIniDouble(section, kHeight, keys.height, file);
    keys.rotY = GetIniDouble(section, kRotY, keys.rotY, file);
    keys.rotX = GetIniDouble(section, kRotX, keys.rotX, file);
    keys.angle = GetIniDouble(section, kAngle, keys.angle, file);
    keys.texture = GetIniString(section, kTexture, "", file);
    keys.tileWidth = TruncateToInt(GetIniDouble(section, kTileWidth, 1.0, file));
    keys.tileHeight = TruncateToInt(GetIniDouble(section, kTileHeight, 1.0, file));
    keys.animStart = GetIniInt(section, kAnimStart, 0, file);
    keys.animEnd = GetIniInt(section, kAnimEnd, 0, file);
    // Two fallbacks tell a frame the file gives from none (missing, or no number).
    const int pos = GetIniInt(section, kAnimPos, 0, file);
    if (pos == GetIniInt(section, kAnimPos, 1, file)) {
        keys.animPos = pos;
    }
    keys.animSpeed = GetIniDouble(section, kAnimSpeed, keys.animSpeed, file);
    return keys;
}

ASP_CheckpointKeys ReadCheckpoint(const std::string& section, const std::string& file) {
    ASP_CheckpointKeys keys;
    keys.isFinish = GetIniBool(section, kIsFinish, false, file);
    keys.index = GetIniInt(section, kIndex, 0, file);
    return keys;
}

ASP_PhysicsKeys ReadPhysics(const std::string& section, const std::string& file) {
    ASP_PhysicsKeys keys;
    keys.mass = GetIniDouble(section, kMass, keys.mass, file);
    // The race's default: a world saved unedited must drive as it did.
    keys.bounce = GetIniDouble(section, kBounce, keys.bounce, file);
    keys.fixedPos = GetIniBool(section, kFixedPosition, false, file);
    keys.fixedRot = GetIniBool(section, kFixedRotation, false, file);
    return keys;
}

bool WriteStart(const StartPosition& keys, const std::string& section, const std::string& file) {
    ASP_SectionWriter writer(section, file);
    writer.Double(kX, keys.x);
    writer.Double(kY, keys.y);
    writer.Double(kRotation, keys.rot);
    return writer.Succeeded();
}

bool WriteTile(const ASP_TileKeys& keys, const std::string& section, const std::string& file) {
    ASP_SectionWriter writer(section, file);
    writer.Double(kX, keys.x);
    writer.Double(kY, keys.y);
    writer.String(kTexture, keys.texture);
    writer.String(kSurface, keys.surface);
    return writer.Succeeded();
}

bool WritePlaced(const ASP_PlacedKeys& keys, const std::string& section, const std::string& file) {
    ASP_SectionWriter writer(section, file);
    writer.Double(kX, keys.x);
    writer.Double(kY, keys.y);
    writer.Double(kZ, keys.z);
    writer.Double(kWidth, keys.width);
    writer.Double(kHeight, keys.height);
    writer.Double(kRotX, keys.rotX);
    writer.Double(kRotY, keys.rotY);
    writer.Double(kAngle, keys.angle);
    writer.String(kTexture, keys.texture);
    writer.Double(kTileWidth, keys.tileWidth);
    writer.Double(kTileHeight, keys.tileHeight);
    writer.Int(kAnimStart, keys.animStart);
    writer.Int(kAnimEnd, keys.animEnd);
    if (keys.animPos) {
        writer.Int(kAnimPos, *keys.animPos);
    }
    writer.Double(kAnimSpeed, keys.animSpeed);
    return writer.Succeeded();
}

bool WriteCheckpoint(const ASP_CheckpointKeys& keys, const std::string& section, const std::string& file) {
    ASP_SectionWriter writer(section, file);
    writer.Int(kIndex, keys.index);
    writer.Bool(kIsFinish, keys.isFinish);
    return writer.Succeeded();
}

bool WritePhysics(const ASP_PhysicsKeys& keys, const std::string& section, const std::string& file) {
    ASP_SectionWriter writer(section, file);
    writer.Double(kMass, keys.mass);
    writer.Double(kBounce, keys.bounce);
    writer.Bool(kFixedPosition, keys.fixedPos);
    writer.Bool(kFixedRotation, keys.fixedRot);
    return writer.Succeeded();
}
