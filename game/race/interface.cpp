#include "game/race/interface.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/angle.h"
#include "engine/ini.h"
#include "game/menus/label_keys.h"
#include "game/race/player.h"

namespace {

const char* const kPositionMark = "[p]";
const char* const kTotalTimeMark = "[t]";
const char* const kBestLapMark = "[b]";
const char* const kCarMark = "[c]";
const char* const kSecondsMark = "[s]";
const char* const kSpeedMark = "[x]";
// Whole seconds left are counted up, but not for what the steps' rounding leaves over.
constexpr double kSecondsSlack = 1e-6;
// How long the start lights stay green once the cars may go.
const double kGreenSeconds = 1.0;

double AnchoredCoordinate(int anchor, double offset, int viewSide, double current) {
    switch (anchor) {
        case 0:
            return offset;
        case 1:
            return viewSide / 2 + offset;
        case 2:
            return viewSide + offset;
        default:
            return current;
    }
}

}  // namespace

int StartLightsFrame(double startIn, double raceTime, int lamps) {
    if (lamps <= 0 || !(startIn >= 0.0)) {
        return -1;
    }
    if (startIn > 0.0) {
        // Long before the start no lamp is lit, however long.
        const int lit = lamps + 2 - static_cast<int>(std::ceil(std::min(startIn, lamps + 2.0)));
        return lit > lamps ? lamps + 1 : std::max(lit, 0);
    }
    return raceTime >= 0.0 && raceTime < kGreenSeconds ? lamps + 1 : -1;
}

ASP_Interface::ASP_Interface(CFontFactory* fonts, CTextureManager* textures)
    : elements{&timeTotal, &timeBest, &timeCurrent, &position, &lap, &finished, &compass},
      fonts(fonts),
      textures(textures) {
    LogLine(LOG_STATUS, "Instance initialized.");
}

ASP_Interface::~ASP_Interface() {
    LogLine(LOG_STATUS, "Instance removed.");
}

void ASP_Interface::Load(std::string file) {
    LoadTextElement(timeTotal, "timeTotal", file);
    LoadTextElement(timeBest, "timeBest", file);
    LoadTextElement(timeCurrent, "timeCurrent", file);
    LoadTextElement(position, "position", file);
    LoadTextElement(lap, "lap", file);
    LoadTextElement(finished, "finished", file);
    LoadImageElement(compass, "compass", file);
    LoadTextElement(wrongWay, "wrongWay", file);
    LoadTextElement(notice, "notice", file);
    LoadTextElement(replayLabel, "replay", file);
    noticeEndCaption = GetIniString("notice", "endCaption", "", file);
    noticeFinishers = GetIniInt("notice", "finishers", 0, file);
    LoadStartLights(file);
    fullSizeWidth = GetIniDouble("layout", "fullSizeWidth", 0.0, file);
    fullSizeHeight = GetIniDouble("layout", "fullSizeHeight", 0.0, file);
    if (CLabelSprite* label = dynamic_cast<CLabelSprite*>(wrongWay.sprite.get())) {
        label->SetText(wrongWay.caption);
    }
}

void ASP_Interface::LoadTextElement(InterfaceElement& element, const std::string& section,
                                    const std::string& file) {
    auto label = std::make_unique<CLabelSprite>(nullptr, ReadLabelFont(fonts, section, file));
    ReadLabelBox(label.get(), section, file);
    ReadLabelAlignment(label.get(), section, file);
    label->SetColor(ReadLabelColour(section, "color_", file));
    label->SetTexture(ReadTexture(textures, section, "texture", file));
    element.caption = GetIniString(section, "caption", "", file);
    const bool multiLine = GetIniBool(section, "multiLine", false, file);
    label->SetMultiLine(multiLine);
    if (multiLine) {
        label->SetLineSpacing(GetIniInt(section, "lineSpacing", 0, file));
        element.caption = WithLineBreaks(element.caption);
    }
    label->depthTest = false;
    element.sprite = std::move(label);
    LoadPlacement(element, section, file);
}

void ASP_Interface::LoadImageElement(InterfaceElement& element, const std::string& section,
                                     const std::string& file) {
    auto image = std::make_unique<CImageSpriteEx>(nullptr);
    const double z = GetIniDouble(section, "z", 0.0, file);
    if (IsDepth(z)) {
        image->SetZ(z);
    }
    image->SetWidth(GetIniDouble(section, "width", 0.0, file));
    image->SetHeight(GetIniDouble(section, "height", 0.0, file));
    const double rotY = GetIniDouble(section, "rotY", 0.5, file);
    const double rotX = GetIniDouble(section, "rotX", 0.5, file);
    image->SetRotationCenter(rotX, rotY);
    image->SetTexture(ReadTexture(textures, section, "texture", file));
    image->depthTest = false;
    element.sprite = std::move(image);
    LoadPlacement(element, section, file);
}

void ASP_Interface::LoadStartLights(const std::string& file) {
    const std::string section = "startLights";
    LoadImageElement(startLights, section, file);
    auto* sheet = static_cast<CImageSpriteEx*>(startLights.sprite.get());
    sheet->SetTileWidth(GetIniInt(section, "tileWidth", 1, file));
    sheet->SetTileHeight(GetIniInt(section, "tileHeight", 1, file));
    // Frames past the sheet's would show its clamped edge.
    startLamps = std::max(0, std::min(GetIniInt(section, "lamps", 0, file), sheet->GetFrameCount() - 2));
}

void ASP_Interface::LoadPlacement(InterfaceElement& element, const std::string& section,
                                  const std::string& file) {
    element.x = GetIniDouble(section, "x", 0.0, file);
    element.y = GetIniDouble(section, "y", 0.0, file);
    element.anchorH = GetIniInt(section, "anchorH", 0, file);
    element.anchorV = GetIniInt(section, "anchorV", 0, file);
}

void ASP_Interface::Draw(const ASP_Player* car, const RaceFacts& race, void* target) {
    if (car == nullptr) {
        return;
    }
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    Layout(viewport[2], viewport[3]);
    Refresh(car, race);
    for (Element e : {TIME_TOTAL, TIME_BEST, TIME_CURRENT, POSITION, LAP, COMPASS}) {
        if (elements[e]->sprite) {
            elements[e]->sprite->Draw(target);
        }
    }
    if (car->Record().finished && finished.sprite) {
        finished.sprite->Draw(target);
    }
    const double scale = ScaleForView(viewport[2], viewport[3]);
    DrawWrongWay(car->Record(), viewport[2], viewport[3], scale, target);
    DrawNotice(*car, race, viewport[2], viewport[3], scale, target);
    DrawStartLights(*car, race, viewport[2], viewport[3], scale, target);
    DrawReplayLabel(race, viewport[2], viewport[3], scale, target);
}

void ASP_Interface::DrawReplayLabel(const RaceFacts& race, int viewWidth, int viewHeight, double scale,
                                    void* target) {
    auto* label = dynamic_cast<CLabelSprite*>(replayLabel.sprite.get());
    if (label == nullptr || race.replaySpeed <= 0) {
        return;
    }
    label->SetText(ReplaceAll(replayLabel.caption, kSpeedMark, NumberToText(race.replaySpeed)));
    PlaceElement(replayLabel, viewWidth, viewHeight, scale);
    label->Draw(target);
}

void ASP_Interface::Layout(int viewWidth, int viewHeight) {
    const double scale = ScaleForView(viewWidth, viewHeight);
    for (InterfaceElement* element : elements) {
        PlaceElement(*element, viewWidth, viewHeight, scale);
    }
}

double ASP_Interface::ScaleForView(int viewWidth, int viewHeight) const {
    if (!(fullSizeWidth > 0.0 && fullSizeHeight > 0.0)) {
        return 1.0;
    }
    return std::clamp(std::min(viewWidth / fullSizeWidth, viewHeight / fullSizeHeight), 0.25, 1.0);
}

// Offsets shrink with the elements, so that the panels keep their places relative to each other.
void ASP_Interface::PlaceElement(InterfaceElement& element, int viewWidth, int viewHeight,
                                 double scale) const {
    CSprite* s = element.sprite.get();
    if (s == nullptr) {
        return;
    }
    s->SetScale(scale);
    s->SetX(AnchoredCoordinate(element.anchorH, element.x * scale, viewWidth, s->GetX()));
    s->SetY(AnchoredCoordinate(element.anchorV, element.y * scale, viewHeight, s->GetY()));
}

void ASP_Interface::DrawWrongWay(const ASP_RaceRecord& car, int viewWidth, int viewHeight, double scale,
                                 void* target) {
    if (!car.IsWrongWay() || car.finished || !wrongWay.sprite) {
        return;
    }
    PlaceElement(wrongWay, viewWidth, viewHeight, scale);
    wrongWay.sprite->Draw(target);
}

void ASP_Interface::DrawNotice(const ASP_Player& car, const RaceFacts& race, int viewWidth, int viewHeight,
                               double scale, void* target) {
    auto* label = dynamic_cast<CLabelSprite*>(notice.sprite.get());
    const std::string text = car.Record().Racing() ? NoticeText(race) : "";
    if (label == nullptr || text.empty()) {
        return;
    }
    label->SetText(text);
    PlaceElement(notice, viewWidth, viewHeight, scale);
    label->Draw(target);
}

std::string ASP_Interface::NoticeText(const RaceFacts& race) const {
    std::vector<std::string> lines;
    // A pack crossing the line together would overflow the notice: the latest finishers stay.
    const size_t count = race.finishers.size();
    const size_t first =
        noticeFinishers > 0 ? count - std::min(count, static_cast<size_t>(noticeFinishers)) : 0;
    for (size_t i = first; i < count; ++i) {
        const auto& [who, place] = race.finishers[i];
        lines.push_back(ReplaceAll(ReplaceAll(notice.caption, kCarMark, who), kPositionMark, Ordinal(place)));
    }
    if (race.endsIn >= 0.0) {
        lines.push_back(
            ReplaceAll(noticeEndCaption, kSecondsMark, NumberToText(std::ceil(race.endsIn - kSecondsSlack))));
    }
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "\n") + line;
    }
    return text;
}

void ASP_Interface::DrawStartLights(const ASP_Player& car, const RaceFacts& race, int viewWidth,
                                    int viewHeight, double scale, void* target) {
    const int frame = StartLightsFrame(race.startIn, car.Record().raceTime, startLamps);
    if (frame < 0 || !startLights.sprite) {
        return;
    }
    PlaceElement(startLights, viewWidth, viewHeight, scale);
    startLights.sprite->SetAnimPos(frame);
    startLights.sprite->Draw(target);
}

void ASP_Interface::SetText(Element e, const std::string& text) const {
    if (CLabelSprite* label = GetLabel(e)) {
        label->SetText(text);
    }
}

void ASP_Interface::Refresh(const ASP_Player* player, const RaceFacts& race) {
    if (player == nullptr) {
        return;
    }
    const ASP_RaceRecord* car = &player->Record();
    SetText(TIME_TOTAL, timeTotal.caption + " " + FormatTime(car->raceTime));
    SetText(TIME_BEST, timeBest.caption + " " + FormatTime(car->bestLapTime));
    SetText(TIME_CURRENT, timeCurrent.caption + " " + FormatTime(car->lapTime));
    SetText(POSITION, position.caption + " " + Ordinal(car->position) + " /" + NumberToText(race.cars));
    // A finished car keeps crossing the line; its lap count stops at the race's.
    SetText(LAP,
            lap.caption + " " + NumberToText(std::min(car->lap, race.laps)) + " /" + NumberToText(race.laps));
    // Drawn only for a finished car; rendering its running times for every other view each frame
    // was a third of the interface's cost.
    if (car->finished) {
        SetText(FINISHED, FinishedText(*car));
    }
    PointCompass(*player);
}

std::string ASP_Interface::FinishedText(const ASP_RaceRecord& car) const {
    std::string text = ReplaceAll(finished.caption, kPositionMark, Ordinal(car.position));
    text = ReplaceAll(text, kTotalTimeMark, FormatTime(car.raceTime));
    return ReplaceAll(text, kBestLapMark, FormatTime(car.bestLapTime));
}

void ASP_Interface::PointCompass(const ASP_Player& car) {
    CImageSpriteEx* arrow = GetCompass();
    if (arrow == nullptr) {
        return;
    }
    const ASP_Body& body = car.GetCar().body;
    const Point d = car.Record().compassTarget - body.Centre();
    // On the target itself there is no direction: keep pointing where the arrow last pointed.
    if (d.x != 0.0 || d.y != 0.0) {
        lastBearing[&car] = HeadingOf(d);
    }
    const auto last = lastBearing.find(&car);
    double angle = last != lastBearing.end() ? last->second : 0.0;
    if (car.fixedCamera) {
        angle -= body.GetRotation();
    }
    arrow->SetRotation(angle);
}

CLabelSprite* ASP_Interface::GetLabel(Element e) const {
    if (e < 0 || e >= ELEMENTS) {
        return nullptr;
    }
    return dynamic_cast<CLabelSprite*>(elements[e]->sprite.get());
}

CImageSpriteEx* ASP_Interface::GetCompass() const {
    return dynamic_cast<CImageSpriteEx*>(compass.sprite.get());
}
