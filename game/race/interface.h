#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/font_factory.h"
#include "engine/image_sprite.h"
#include "engine/image_sprite_ex.h"
#include "engine/label_sprite.h"
#include "engine/sprite.h"
#include "engine/texture_manager.h"
#include "game/sim/car.h"
#include "game/sim/results.h"

class ASP_Player;

// One on-screen element of the race interface: where it sits in a view and what it shows.
struct InterfaceElement {
    // 0 from the view's left (top) edge, 1 from its centre, 2 from its right (bottom) edge; any
    // other value leaves the coordinate alone.
    int anchorH = 0;
    int anchorV = 0;
    // Distance from the anchor in pixels; the sprite's top-left corner lands there.
    double x = 0.0;
    double y = 0.0;
    std::string caption;
    // A CLabelSprite for the texts, a CImageSpriteEx for the compass; null until loaded.
    std::unique_ptr<CImageSprite> sprite;
};

// What each player sees over the world: total, best and current lap times, position, lap, a compass
// towards the next checkpoint and, once finished, a finishing text. The same seven sprites are laid
// out and filled again for every car's view, so nothing is kept between views but the compass's
// last bearing per car.
class ASP_Interface : public CLogSource {
public:
    enum Element { TIME_TOTAL = 0, TIME_BEST, TIME_CURRENT, POSITION, LAP, FINISHED, COMPASS, ELEMENTS };

    // The race figures the texts need.
    struct RaceFacts {
        int laps = 1;
        int cars = 0;
        // Cars that finished lately, as "Computer 2" and their place, oldest first.
        std::vector<std::pair<std::string, int>> finishers;
        // Seconds until the race ends for the cars still driving; below 0 when it waits for them.
        double endsIn = -1.0;
        // Seconds until the cars may go: above 0 in the countdown, 0 once they may; below 0 for a
        // race without start lights.
        double startIn = -1.0;
        // A replay's speed (1, 2, 4); 0 in a race.
        int replaySpeed = 0;
    };

    // Fonts and textures from the race's registries.
    ASP_Interface(CFontFactory* fonts, CTextureManager* textures);
    ~ASP_Interface() override;
    ASP_Interface(const ASP_Interface&) = delete;
    ASP_Interface& operator=(const ASP_Interface&) = delete;

    // Reads the seven elements and the wrong-way warning; reloading replaces them.
    void Load(std::string file);
    // Lays out, fills and draws the interface of car in the current viewport; nothing without a car.
    void Draw(const ASP_Player* car, const RaceFacts& race, void* target);
    // Places and sizes every element for a view of this size in pixels.
    void Layout(int viewWidth, int viewHeight);
    // The interface's scale in a view of this size: 1 from the file's full-size view up (and
    // always without one), proportionally smaller below, down to a quarter.
    double ScaleForView(int viewWidth, int viewHeight) const;
    // Sets the texts and the compass for car.
    void Refresh(const ASP_Player* car, const RaceFacts& race);
    // Who finished lately and when the race ends, for a car still driving; "" for nothing to say.
    std::string NoticeText(const RaceFacts& race) const;

    const InterfaceElement& GetElement(Element e) const { return *elements[e]; }
    // The label of a text element; null for the compass or before loading.
    CLabelSprite* GetLabel(Element e) const;
    CImageSpriteEx* GetCompass() const;

private:
    void LoadTextElement(InterfaceElement& element, const std::string& section, const std::string& file);
    void LoadImageElement(InterfaceElement& element, const std::string& section, const std::string& file);
    void LoadPlacement(InterfaceElement& element, const std::string& section, const std::string& file);
    void SetText(Element e, const std::string& text) const;
    void PointCompass(const ASP_Player& car);
    // The finishing text with the car's place, total time and best lap filled in.
    std::string FinishedText(const ASP_RaceRecord& car) const;
    void PlaceElement(InterfaceElement& element, int viewWidth, int viewHeight, double scale) const;
    void DrawWrongWay(const ASP_RaceRecord& car, int viewWidth, int viewHeight, double scale, void* target);
    void DrawNotice(const ASP_Player& car, const RaceFacts& race, int viewWidth, int viewHeight, double scale,
                    void* target);
    void LoadStartLights(const std::string& file);
    void DrawReplayLabel(const RaceFacts& race, int viewWidth, int viewHeight, double scale, void* target);
    void DrawStartLights(const ASP_Player& car, const RaceFacts& race, int viewWidth, int viewHeight,
                         double scale, void* target);

    InterfaceElement timeTotal;
    InterfaceElement timeBest;
    InterfaceElement timeCurrent;
    InterfaceElement position;
    InterfaceElement lap;
    InterfaceElement finished;
    InterfaceElement compass;
    std::array<InterfaceElement*, ELEMENTS> elements;
    // Shown while the car drives away from its next checkpoint; optional in the file.
    InterfaceElement wrongWay;
    // Who finished, and the race's end once a car finished; optional in the file. Its caption is
    // one finisher's line, endCaption the line of the time left.
    InterfaceElement notice;
    std::string noticeEndCaption;
    // Finishers the notice lists at most, the latest; 0 lists all.
    int noticeFinishers = 0;
    // Shown over a replay, with its speed; optional in the file.
    InterfaceElement replayLabel;
    // A tile sheet: frame k shows k of the lamps red, the frame after the last all of them green.
    // Optional in the file.
    InterfaceElement startLights;
    int startLamps = 0;
    // The smallest view, in pixels, that shows the interface at full size; 0 for no scaling.
    double fullSizeWidth = 0.0;
    double fullSizeHeight = 0.0;
    CFontFactory* fonts;
    CTextureManager* textures;
    // Each car's last compass bearing in the world's frame, degrees; kept for when the car stands
    // exactly on its target and the direction is undefined. Keys are never dereferenced.
    std::map<const ASP_Player*, double> lastBearing;
};

// The frame of the start lights with this many lamps, for a race whose cars may go in startIn
// seconds (0 once they may; below 0 for none), seen by a car that has raced raceTime seconds. With
// the countdown's elements, one a second: a lamp more turns red each second, all turn green for the
// last second, its GO, and go out a second after the cars may go. -1 shows no lights.
int StartLightsFrame(double startIn, double raceTime, int lamps);
