// Checks the shipped data set the way the game reads it: every file that config.ini, the menu
// files and the dat files name must exist, pictures must be power-of-two textures, surface maps
// must match their ground tiles and carry only colours the world gives a meaning, and the race
// rules must be satisfiable (checkpoints 0 .. requiredCheckpoints - 1, a finish line at 0, four
// start positions). Runs with the data folder as working directory.

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "engine/ini.h"
#include "game/race/track_list.h"

namespace {

const std::string configFile = "config.ini";
const std::string carsFile = "dat\\cars.dat";
const std::vector<std::string> worldFiles = {"dat\\world0.dat", "dat\\frost.dat", "dat\\harbour.dat"};
const std::string countdownFile = "dat\\countdown.dat";
const std::string interfaceFile = "dat\\interface.dat";
const std::vector<std::string> menuFiles = {"mnu\\main.ini",  "mnu\\options.ini", "mnu\\players.ini",
                                            "mnu\\cars.ini",  "mnu\\pause.ini",   "mnu\\controls.ini",
                                            "mnu\\tracks.ini"};

// Data files name files the Windows way, relative to the data folder.
std::string HostPath(const std::string& dataName) {
    std::string path = dataName;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool Exists(const std::string& dataName) {
    if (dataName.empty())
        return false;
    std::ifstream in(HostPath(dataName), std::ios::binary);
    return in.good();
}

std::string Str(const std::string& section, const std::string& key, const std::string& file) {
    return GetIniString(section, key, "", file);
}

int Int(const std::string& section, const std::string& key, const std::string& file) {
    return GetIniInt(section, key, -1, file);
}

std::string Indexed(const std::string& prefix, int i, const std::string& suffix = "") {
    return prefix + NumberToText(i) + suffix;
}

// Width and height from the IHDR chunk; {0, 0} for anything that is not a PNG.
std::pair<int, int> PngSize(const std::string& dataName) {
    std::ifstream in(HostPath(dataName), std::ios::binary);
    unsigned char header[24] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (!in || !std::equal(signature, signature + 8, header) ||
        std::string(header + 12, header + 16) != "IHDR")
        return {0, 0};
    auto be32 = [&](int at) {
        return int(uint32_t(header[at]) << 24 | uint32_t(header[at + 1]) << 16 |
                   uint32_t(header[at + 2]) << 8 | uint32_t(header[at + 3]));
    };
    return {be32(16), be32(20)};
}

bool PowerOfTwo(int v) {
    return v > 0 && (v & (v - 1)) == 0;
}

// A picture the texture registry can use: present, PNG, power-of-two sides.
void ExpectTexture(const std::string& name, const std::string& where) {
    SCOPED_TRACE(where + ": " + name);
    ASSERT_TRUE(Exists(name)) << "missing file";
    auto [w, h] = PngSize(name);
    EXPECT_TRUE(PowerOfTwo(w) && PowerOfTwo(h)) << "size " << w << "x" << h;
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    EXPECT_EQ(lower, name) << "texture names are looked up lower-cased";
}

void ExpectFile(const std::string& name, const std::string& where) {
    EXPECT_TRUE(Exists(name)) << where << ": missing file \"" << name << "\"";
}

using Colour = std::tuple<int, int, int>;

std::set<Colour> SurfaceColours(const std::string& dataName, int* w, int* h) {
    std::set<Colour> colours;
    SDL_Surface* map = IMG_Load(HostPath(dataName).c_str());
    if (!map)
        return colours;
    *w = map->w;
    *h = map->h;
    SDL_LockSurface(map);
    const int bpp = map->format->BytesPerPixel;
    Uint32 last = 0;
    bool haveLast = false;
    for (int y = 0; y < map->h; ++y) {
        const Uint8* row = static_cast<const Uint8*>(map->pixels) + y * map->pitch;
        for (int x = 0; x < map->w; ++x) {
            const Uint8* p = row + x * bpp;
            Uint32 value = 0;
            for (int b = 0; b < bpp; ++b)
                value |= Uint32(p[b]) << (8 * b);
            if (SDL_BYTEORDER == SDL_BIG_ENDIAN && bpp > 1)
                value = SDL_SwapBE32(value) >> (8 * (4 - bpp));
            if (haveLast && value == last)
                continue;  // maps are mostly runs of one colour
            last = value;
            haveLast = true;
            Uint8 r, g, b;
            SDL_GetRGB(value, map->format, &r, &g, &b);
            colours.insert({r, g, b});
        }
    }
    SDL_UnlockSurface(map);
    SDL_FreeSurface(map);
    return colours;
}

void ExpectEmitter(const std::string& prefix, const std::string& file) {
    int prototypes = GetIniInt(prefix + "part", "prototypes", 0, file);
    EXPECT_GE(prototypes, 1) << prefix << "part throws no particles";
    EXPECT_GT(GetIniDouble(prefix + "part", "life", 1, file), 0)
        << prefix << "part: particles would never start";
    for (int j = 0; j < prototypes; ++j) {
        std::string section = Indexed(prefix + "prot", j);
        ExpectTexture(Str(section, "texture", file), file + " [" + section + "]");
        EXPECT_GT(GetIniDouble(section, "width", 0, file), 0) << section;
        EXPECT_GT(GetIniDouble(section, "height", 0, file), 0) << section;
    }
}

// A static object with a sheet: its frames must exist in the picture.
void ExpectSheetObject(const std::string& section, const std::string& file) {
    std::string texture = Str(section, "texture", file);
    ExpectTexture(texture, file + " [" + section + "]");
    auto [w, h] = PngSize(texture);
    int tw = int(GetIniDouble(section, "tileWidth", 1, file));
    int th = int(GetIniDouble(section, "tileHeight", 1, file));
    ASSERT_GT(tw, 0) << section;
    ASSERT_GT(th, 0) << section;
    int frames = (w / tw) * (h / th);
    EXPECT_LT(GetIniInt(section, "animEnd", 0, file), frames) << section << ": frame range beyond the sheet";
    EXPECT_GT(GetIniDouble(section, "width", 1, file), 1) << section << ": no size given";
    EXPECT_GT(GetIniDouble(section, "height", 1, file), 1) << section << ": no size given";
}

}  // namespace

TEST(DataFiles, ConfigGivesFourPlayersDistinctKeys) {
    ASSERT_TRUE(Exists(configFile));
    EXPECT_EQ(GetIniInt("system", "width", 0, configFile), 800);
    EXPECT_EQ(GetIniInt("system", "height", 0, configFile), 600);
    EXPECT_FALSE(GetIniBool("system", "fullscreen", true, configFile));
    EXPECT_TRUE(GetIniBool("system", "sound", false, configFile));
    std::set<int> used;
    for (int player = 0; player < 4; ++player) {
        std::string section = Indexed("controls", player);
        for (const char* key : {"forward", "backward", "left", "right"}) {
            int code = Int(section, key, configFile);
            EXPECT_GT(code, 0) << section << " " << key;
            EXPECT_TRUE(used.insert(code).second) << section << " " << key << " reuses key " << code;
        }
    }
    EXPECT_EQ(Int("controls0", "forward", configFile), 273);  // SDLK_UP: player 1 drives with the arrows
    EXPECT_EQ(Int("controls3", "forward", configFile), 264);  // SDLK_KP8
}

TEST(DataFiles, FontsAndStartupFilesExist) {
    ExpectFile("fnt\\Lucida Console.ttf", "loading screen font");
    ExpectTexture("gfx\\loading_startup.png", "loading screen");
    ExpectTexture("gfx\\menu\\blend.png", "menu overlay");
    ExpectTexture("gfx\\cars\\cadillac.png", "editor start marker");

    std::ifstream ico("mxengine.ico", std::ios::binary);
    unsigned char header[6] = {};
    ico.read(reinterpret_cast<char*>(header), sizeof header);
    ASSERT_TRUE(ico.good()) << "window icon missing";
    EXPECT_EQ(header[0] | header[1] << 8, 0);  // reserved
    EXPECT_EQ(header[2] | header[3] << 8, 1);  // type 1: icon
    EXPECT_GE(header[4] | header[5] << 8, 1);  // image count
    SDL_Surface* icon = IMG_Load("mxengine.ico");
    ASSERT_NE(icon, nullptr) << IMG_GetError();
    EXPECT_EQ(icon->w, 32);
    SDL_FreeSurface(icon);
}

TEST(DataFiles, MenusNameExistingFilesAndConsistentIndices) {
    for (const std::string& file : menuFiles) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(Exists(file));
        ExpectTexture(Str("background", "texture", file), file + " background");
        EXPECT_GT(Int("background", "width", file), 0);
        EXPECT_GT(Int("background", "height", file), 0);
        int buttons = GetIniInt("main", "buttons", 0, file);
        int labels = GetIniInt("main", "labels", 0, file);
        EXPECT_GE(buttons, 2);
        for (int i = 0; i < buttons; ++i) {
            std::string section = Indexed("button", i);
            ExpectFile(Str(section, "font", file), file + " [" + section + "] font");
            EXPECT_FALSE(Str(section, "caption", file).empty()) << section;
            for (int look = 0; look < 3; ++look)
                ExpectTexture(Str(section, Indexed("texture", look), file), file + " [" + section + "]");
        }
        for (int i = 0; i < labels; ++i) {
            std::string section = Indexed("label", i);
            ExpectFile(Str(section, "font", file), file + " [" + section + "] font");
            std::string texture = Str(section, "texture", file);
            if (!texture.empty())
                ExpectTexture(texture, file + " [" + section + "]");
        }
    }

    // Options: the last three buttons are fullscreen, sound and back; the others pick resolutions,
    // except the controls button just before them.
    const std::string options = "mnu\\options.ini";
    int resolutions = GetIniInt("main", "buttons", 0, options) - 4;
    EXPECT_EQ(GetIniInt("main", "controls", 0, options), resolutions);
    EXPECT_GE(resolutions, 4);
    for (int k = 0; k < resolutions; ++k) {
        EXPECT_GE(GetIniInt(NumberToText(k), "width", 0, "mnu\\options_restable.ini"), 640) << k;
        EXPECT_GE(GetIniInt(NumberToText(k), "height", 0, "mnu\\options_restable.ini"), 480) << k;
    }
    ExpectFile(Str("options", "font", options), "options label font");

    // Car choice: the value labels are found by their index in the menu (0 background, then
    // buttons, then labels).
    const std::string cars = "mnu\\cars.ini";
    int firstLabel = 1 + GetIniInt("main", "buttons", 0, cars);
    int lastLabel = firstLabel + GetIniInt("main", "labels", 0, cars) - 1;
    std::set<int> seen;
    for (const char* key : {"top", "mass", "accel", "brake", "frict"}) {
        int index = GetIniInt("main", key, -1, cars);
        EXPECT_GE(index, firstLabel) << key;
        EXPECT_LE(index, lastLabel) << key;
        EXPECT_TRUE(seen.insert(index).second) << key << " shares a label";
    }
    EXPECT_GT(GetIniInt("preview", "w", 0, cars), 0);
    EXPECT_GT(GetIniInt("preview", "h", 0, cars), 0);

    const std::string pause = "mnu\\pause.ini";
    int pauseButtons = GetIniInt("main", "buttons", 0, pause);
    int resume = GetIniInt("main", "resume", 0, pause);
    EXPECT_GE(resume, 1);
    EXPECT_LE(resume, pauseButtons);
    int rows = GetIniInt("main", "playerLabelIndex", 0, pause);
    EXPECT_GT(rows, pauseButtons);
    EXPECT_LE(rows + 3, pauseButtons + GetIniInt("main", "labels", 0, pause)) << "four standings rows needed";

    const std::string controls = "mnu\\controls.ini";
    EXPECT_EQ(GetIniInt("main", "buttons", 0, controls), 10) << "players, device, six rows, back";
    for (const char* key : {"player", "note"}) {
        EXPECT_GT(GetIniInt("main", key, 0, controls), 10) << key;
        EXPECT_LE(GetIniInt("main", key, 0, controls), 10 + GetIniInt("main", "labels", 0, controls)) << key;
    }
}

TEST(DataFiles, CarsHaveSheetsTailsAndWheels) {
    int cars = GetIniInt("main", "cars", 0, carsFile);
    ASSERT_GE(cars, 4);
    std::set<std::tuple<double, double, double>> handling;
    for (int i = 0; i < cars; ++i) {
        std::string car = Str("main", Indexed("car", i), carsFile);
        SCOPED_TRACE(car);
        ASSERT_FALSE(car.empty());
        std::string texture = Str(car, "texture", carsFile);
        ExpectTexture(texture, "car sheet");
        auto [w, h] = PngSize(texture);
        int tw = GetIniInt(car, "tileWidth", 1, carsFile);
        int th = GetIniInt(car, "tileHeight", 1, carsFile);
        ASSERT_GT(tw, 0);
        ASSERT_GT(th, 0);
        int frames = (w / tw) * (h / th);
        for (const char* key :
             {"animStraightEnd", "animLeftEnd", "animLeftBackEnd", "animRightEnd", "animRightBackEnd"})
            EXPECT_LT(GetIniInt(car, key, 0, carsFile), frames) << key;
        EXPECT_LT(GetIniInt(car, "animLeftStart", 0, carsFile), GetIniInt(car, "animLeftEnd", 0, carsFile));
        EXPECT_LT(GetIniInt(car, "animRightStart", 0, carsFile), GetIniInt(car, "animRightEnd", 0, carsFile));
        int wheels = GetIniInt(car, "wheels", 0, carsFile);
        EXPECT_GE(wheels, 3);
        int driven = 0, steered = 0;
        for (int k = 0; k < wheels; ++k) {
            driven += GetIniBool(car, Indexed("wheel", k, "drive"), true, carsFile);
            steered += GetIniBool(car, Indexed("wheel", k, "steer"), true, carsFile);
        }
        EXPECT_GE(driven, 1);
        EXPECT_GE(steered, 1);
        for (const char* key : {"topSpeed", "accel", "brake", "mass", "frict", "steer"})
            EXPECT_GT(GetIniDouble(car, key, 0, carsFile), 0) << key;
        handling.insert({GetIniDouble(car, "mass", 0, carsFile), GetIniDouble(car, "accel", 0, carsFile),
                         GetIniDouble(car, "topSpeed", 0, carsFile)});

        std::string tail = car + "-tail";
        ExpectTexture(Str(tail, "texture", carsFile), "tail");
        EXPECT_LT(GetIniDouble(tail, "minSpeed", 0, carsFile), GetIniDouble(tail, "maxSpeed", 100, carsFile))
            << "the tail's growth divides by maxSpeed - minSpeed";
    }
    EXPECT_EQ(int(handling.size()), cars) << "two cars drive the same";
    ExpectEmitter("", carsFile);
}

TEST(DataFiles, EveryWorldIsListedWithAPicture) {
    std::vector<std::string> listed;
    for (const ASP_Track& track : LoadTrackList("dat\\tracks.dat")) {
        ExpectTexture(track.preview, track.name);
        listed.push_back(track.WorldFile());
    }
    EXPECT_EQ(listed, worldFiles);
}

class WorldData : public testing::TestWithParam<std::string> {};
INSTANTIATE_TEST_SUITE_P(Shipped, WorldData, testing::ValuesIn(worldFiles));

TEST_P(WorldData, TilesSurfacesAndModifiersAgree) {
    const std::string worldFile = GetParam();
    ASSERT_TRUE(Exists(worldFile));
    ASSERT_EQ(SDL_Init(0), 0);
    int modifiers = GetIniInt("main", "modifiers", 0, worldFile);
    std::set<Colour> known;
    for (int i = 0; i < modifiers; ++i) {
        std::string section = Indexed("mod", i);
        known.insert({GetIniInt(section, "r", 0, worldFile) & 255,
                      GetIniInt(section, "g", 0, worldFile) & 255,
                      GetIniInt(section, "b", 0, worldFile) & 255});
        ExpectEmitter(section, worldFile);
    }
    EXPECT_EQ(int(known.size()), modifiers) << "two modifiers share a colour: only the first would count";

    int tiles = GetIniInt("main", "mapTiles", 0, worldFile);
    ASSERT_GE(tiles, 1);
    std::set<Colour> used;
    for (int i = 0; i < tiles; ++i) {
        std::string section = Indexed("map", i);
        SCOPED_TRACE(section);
        std::string texture = Str(section, "texture", worldFile);
        std::string surface = Str(section, "surface", worldFile);
        ExpectTexture(texture, "ground tile");
        ASSERT_TRUE(Exists(surface)) << "surface map " << surface;
        int w = 0, h = 0;
        std::set<Colour> colours = SurfaceColours(surface, &w, &h);
        EXPECT_EQ(std::make_pair(w, h), PngSize(texture)) << "surface map and tile differ in size";
        for (const Colour& c : colours) {
            EXPECT_TRUE(known.count(c)) << "colour " << std::get<0>(c) << "," << std::get<1>(c) << ","
                                        << std::get<2>(c) << " of " << surface << " has no modifier";
            used.insert(c);
        }
    }
    EXPECT_GE(used.size(), 4u) << "the track should offer at least four kinds of ground";
    SDL_Quit();
}

TEST_P(WorldData, RaceRulesCanBeMet) {
    const std::string worldFile = GetParam();
    EXPECT_GE(GetIniInt("main", "players", 0, worldFile), 4);
    EXPECT_GE(GetIniInt("main", "laps", 0, worldFile), 1);
    ExpectFile(Str("main", "music", worldFile), "world music");

    int required = GetIniInt("main", "requiredCheckpoints", 1, worldFile);
    int count = GetIniInt("main", "checkpoints", 0, worldFile);
    ASSERT_GE(required, 6) << "a finish line and at least five checkpoints";
    std::vector<int> perIndex(required, 0);
    bool finishAtZero = false;
    for (int i = 0; i < count; ++i) {
        std::string section = Indexed("checkpoint", i);
        int index = GetIniInt(section, "index", 0, worldFile);
        bool finish = GetIniBool(section, "isFinish", false, worldFile);
        ASSERT_GE(index, 0) << section;
        ASSERT_LT(index, required) << section << " can never be taken";
        ++perIndex[index];
        if (finish) {
            EXPECT_EQ(index, 0) << section << ": only checkpoint 0 may be a finish line";
        }
        finishAtZero = finishAtZero || (finish && index == 0);
        EXPECT_GT(GetIniDouble(section, "width", 1, worldFile), 300) << section << " narrower than the road";
        ExpectTexture(Str(section, "texture", worldFile), section);
    }
    EXPECT_TRUE(finishAtZero);
    for (int k = 0; k < required; ++k)
        EXPECT_GE(perIndex[k], 1) << "no checkpoint " << k << ": the lap could not be completed";
}

TEST(DataFiles, WorldObjectsNameExistingPictures) {
    const std::string worldFile = worldFiles.front();
    int statics = GetIniInt("main", "statics", 0, worldFile);
    int phys = GetIniInt("main", "physObjects", 0, worldFile);
    EXPECT_GE(statics, 10);
    EXPECT_GE(phys, 5);
    int animated = 0, movable = 0, fixed = 0;
    for (int i = 0; i < statics + phys; ++i) {
        const std::string section = i < statics ? Indexed("static", i) : Indexed("phys", i - statics);
        ExpectSheetObject(section, worldFile);
        animated +=
            GetIniInt(section, "animEnd", 0, worldFile) != GetIniInt(section, "animStart", 0, worldFile);
        if (i < statics) {
            continue;
        }
        EXPECT_EQ(GetIniDouble(section, "z", 0, worldFile), 0) << section << " would not meet the cars (z 0)";
        EXPECT_GT(GetIniDouble(section, "mass", 1, worldFile), 0) << section;
        bool isFixed = GetIniBool(section, "fixedPos", false, worldFile);
        fixed += isFixed;
        movable += !isFixed;
    }
    EXPECT_GE(animated, 1);
    EXPECT_GE(movable, 1);
    EXPECT_GE(fixed, 1);
}

TEST(DataFiles, CountdownAndInterfaceAreComplete) {
    ExpectFile(Str("main", "font", countdownFile), "countdown font");
    std::string sheet = Str("main", "texture", countdownFile);
    if (!sheet.empty()) {
        ExpectTexture(sheet, "countdown");
        auto [w, h] = PngSize(sheet);
        int frames = (w / GetIniInt("main", "tileWidth", 1, countdownFile)) *
                     (h / GetIniInt("main", "tileHeight", 1, countdownFile));
        for (int i = 0; i < 4; ++i)
            EXPECT_LT(GetIniInt("main", Indexed("tile", i), 0, countdownFile), frames) << i;
    }
    for (int i = 0; i < 4; ++i) {
        std::string sound = Str("main", Indexed("sound", i), countdownFile);
        ExpectFile(sound, "countdown sound");
        std::ifstream wav(HostPath(sound), std::ios::binary);
        char riff[4] = {};
        wav.read(riff, 4);
        EXPECT_EQ(std::string(riff, 4), "RIFF") << sound;
    }

    for (const char* section : {"timeTotal", "timeBest", "timeCurrent", "position", "lap", "finished"}) {
        ExpectFile(Str(section, "font", interfaceFile), std::string("interface ") + section);
        EXPECT_GT(GetIniInt(section, "size", 0, interfaceFile), 8) << section;
        EXPECT_GT(GetIniDouble(section, "width", 0, interfaceFile), 0) << section;
        std::string texture = Str(section, "texture", interfaceFile);
        if (!texture.empty())
            ExpectTexture(texture, section);
    }
    EXPECT_NE(Str("finished", "caption", interfaceFile).find("[p]"), std::string::npos);
    ExpectTexture(Str("compass", "texture", interfaceFile), "compass");
}
