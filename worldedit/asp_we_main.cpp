#include "worldedit/asp_we_main.h"

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <map>
#include <vector>

#include "engine/ini.h"
#include "engine/picture_decoder.h"
#include "engine/platform/paths.h"
#include "engine/rotateable.h"
#include "worldedit/canvas_overlay.h"
#include "worldedit/we_checkpoint_sprite.h"
#include "worldedit/we_ground_sprite.h"
#include "worldedit/we_physics_sprite.h"
#include "worldedit/we_start_sprite.h"
#include "worldedit/we_static_sprite.h"
#include "worldedit/world_file.h"

namespace {

// The object kinds of a world file: the count in section "main" and the prefix of the sections.
struct ObjectKind {
    const char* countKey;
    const char* prefix;
};

const ObjectKind kStarts = {"players", "start"};
const ObjectKind kGround = {"mapTiles", "map"};
const ObjectKind kStatics = {"statics", "static"};
const ObjectKind kCheckpoints = {"checkpoints", "checkpoint"};
const ObjectKind kPhysics = {"physObjects", "phys"};

const char kMain[] = "main";
const char kLaps[] = "laps";
const char kRequiredCheckpoints[] = "requiredCheckpoints";

const double kTurnStep = 5.0;       // degrees per wheel notch
const double kSnapTurnStep = 15.0;  // degrees per notch with Shift
const double kZoomBase = 1.5;
const Uint8 kMiddleButtonMask = SDL_BUTTON(SDL_BUTTON_MIDDLE);

// A new track takes its surfaces, their particles, its laps and its music from the shipped one.
const char kTemplateWorld[] = "dat\\world0.dat";
const char kCheckpointTexture[] = "gfx\\objects\\checkpoint.png";
// The start grid of a new track: two rows of two cars (113 x 200) below a finish line.
const double kGridColumnGap = 170.0;
const double kGridRowGap = 260.0;
const double kFinishWidth = 600.0;
const double kFinishHeight = 60.0;
// Without a ground tile the grid divides the shipped tiles' size.
const double kDefaultTileSize = 1024.0;

const char kOverlayFont[] = "fnt\\dejavusansmono.ttf";
const int kOverlayFontSize = 14;
const double kArrowLength = 60.0;
// Screen pixels: how near the pointer a line point is taken, its marker, and the least gap
// between two numbered points, so that a zoomed-out line stays readable.
const double kPointGrabRadius = 10.0;
const double kPointMarkerHalf = 4.0;
const double kPointLabelGap = 60.0;

const std::vector<std::string> kHelpLines = {
    "Keys of the world editor",
    "",
    "Left click     pick up an object / put it down",
    "Right click    delete the picked-up object",
    "Wheel          turn the picked-up object by 5 degrees",
    "Shift+Wheel    turn it to the next 15 degree step",
    "Ctrl+Wheel     zoom about the pointer",
    "Middle drag    move the view",
    "A              add an object (answer on the console)",
    "E              edit the picked-up object, or the track's laps",
    "S              save (answer on the console)",
    "G              snap to the grid on/off",
    "Shift+G        grid size: 1, 1/2 ... 1/16 of a ground tile",
    "Ctrl+Z Ctrl+Y  undo, redo",
    "L              racing line on/off; while on:",
    "  Left drag    move a point of the line (or click, then click to drop)",
    "  P            add a point under the pointer into the nearest segment",
    "  Delete       delete the line's point under the pointer",
    "Ctrl+Q         close (asks to save unsaved changes)",
    "Escape         cancel the console question / close this help",
    "F1             show or hide this help",
};

const std::vector<std::string> kKindWords = {"ground", "start", "checkpoint", "static", "physobj"};

bool IsKindWord(const std::string& typed) {
    for (const std::string& word : kKindWords) {
        if (SameWord(typed, word)) {
            return true;
        }
    }
    return false;
}

CSprite* AsSprite(ASP_WE_Object* object) {
    return dynamic_cast<CSprite*>(object);
}

// The word that AddObject takes for the object's kind; subclasses are tested first.
std::string KindWord(ASP_WE_Object* object) {
    if (dynamic_cast<ASP_WE_PhysicsSprite*>(object) != nullptr) {
        return "physobj";
    }
    if (dynamic_cast<ASP_WE_CheckpointSprite*>(object) != nullptr) {
        return "checkpoint";
    }
    if (dynamic_cast<ASP_WE_GroundSprite*>(object) != nullptr) {
        return "ground";
    }
    return dynamic_cast<ASP_WE_StartSprite*>(object) != nullptr ? "start" : "static";
}

// The point a checkpoint turns about, which the race takes for its centre.
Point PivotOf(const ASP_WE_CheckpointSprite& checkpoint) {
    const Point pivot = checkpoint.GetRotationCenter();
    return Point(checkpoint.GetX() + checkpoint.GetWidth() * pivot.x,
                 checkpoint.GetY() + checkpoint.GetHeight() * pivot.y);
}

double Snapped(double v, double step) {
    return std::round(v / step) * step;
}

// What a save carries over from a world file's text: all but the object sections and the racing
// line, which the editor writes afresh.
std::string NonObjectSections(const std::string& text) {
    return WithoutSections(
        text, {kStarts.prefix, kGround.prefix, kStatics.prefix, kCheckpoints.prefix, kPhysics.prefix},
        {kRacingLineSection});
}

// A relative name that climbs out of the user's folder with ".." would write anywhere.
bool LeavesUserFolder(const std::string& name) {
    return !IsAbsoluteName(name) && !StaysInsideRoots(name);
}

std::string RefusalOf(const std::string& name) {
    return "Refused " + name + ": a file name stays inside your folder, or is a full path.";
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ASP_WE_Main::ASP_WE_Main(std::istream& in, std::ostream& out)
    : CGameBase(1280, 720, false, true, true), consoleWindow(GetConsoleWindowHandle()), console(in, out) {}

void ASP_WE_Main::OnInit() {
    srand(static_cast<unsigned>(time(nullptr)));
    SetCaption("Asphaltia - World Editor");
    SetIcon("mxengine.ico");
    if (!GetSdlWindowHandle(sdlWindow)) {
        FailStart("Error in SDL_GetWMInfo");
        return;
    }
    world = std::make_unique<CSpriteManager>(nullptr);
    world->sortByZ = true;
    textures = world->textureManager;
    pointer = Point(width / 2.0, height / 2.0);
    console.whileWaiting = [this] { return WaitInWindow(); };
    zoomLevel = 0;
    leftCtrl = false;
    rightCtrl = false;
    worldPath.clear();
    BringToFront(consoleWindow);
    if (!AskWorldPath()) {
        FailStart("No world file was given; the editor closes.");
        return;
    }
    LoadWorld();
    if (createdSize.x > 0.0) {
        ShowArea(createdSize);
    }
    selected = nullptr;
    BringToFront(sdlWindow);
}

bool ASP_WE_Main::AskWorldPath() {
    // A file named on the command line stands for the first answer.
    std::string typed = givenWorldFile;
    bool answered = !typed.empty();
    for (;;) {
        if (!answered && !console.Ask("Enter World File Path: ", typed)) {
            return false;
        }
        answered = false;
        worldPath = MakeAbsolutePath(typed);
        if (FileExists(worldPath)) {
            return true;
        }
        if (typed.empty()) {
            continue;
        }
        console.Say("File not found: " + typed);
        std::string answer;
        if (!console.Ask("Create it as a new track? (y/n) ", answer)) {
            return false;
        }
        if (SameWord(answer, "y")) {
            if (CreateWorld(typed)) {
                return true;
            }
        } else if (!SameWord(answer, "n") && !answer.empty()) {
            // A script written for the plain question sends the next file name here.
            typed = answer;
            answered = true;
        }
    }
}

bool ASP_WE_Main::CreateWorld(const std::string& typed) {
    if (LeavesUserFolder(typed)) {
        console.Say(RefusalOf(typed));
        return false;
    }
    int across = 0;
    int down = 0;
    std::string texture;
    std::string surface;
    if (!AskCount("Width in tiles: ", across) || !AskCount("Height in tiles: ", down) ||
        !AskFile("Ground texture: ", texture) || !AskFile("Surface Map: ", surface)) {
        return false;
    }
    const CTexture* picture = TextureFor(textures, texture);
    if (picture == nullptr || picture->PixelWidth() <= 0 || picture->PixelHeight() <= 0) {
        console.Say("Invalid texture file selected.");
        return false;
    }
    // Saving keeps the sections of the file it replaces that are not objects: here those of a copy
    // of the template, without its header comment, which describes the shipped track.
    std::string kept = ReadWholeFile(MakeAbsolutePath(kTemplateWorld));
    kept.erase(0, std::min(kept.find('['), kept.size()));
    std::string templateCopy;
    if (!CreateFileNextTo(PrepareWritePath(typed), kept, templateCopy)) {
        console.Say("Cannot create " + typed + ".");
        return false;
    }
    PlaceNewTrack(across, down, texture, surface);
    worldPath = templateCopy;
    keptSections = NonObjectSections(kept);
    laps = GetIniInt(kMain, kLaps, 1, worldPath);
    requiredCheckpoints = 1;
    const bool written = WriteWorld(typed);
    unlink(templateCopy.c_str());
    // Loaded again from the file, so that the editor shows what the game will read.
    world->RemoveAll();
    worldPath = MakeAbsolutePath(typed);
    console.Say(written ? "Created the new track " + typed + "." : "Cannot create " + typed + ".");
    return written;
}

bool ASP_WE_Main::AskCount(const std::string& prompt, int& count) {
    std::string typed;
    while (console.Ask(prompt, typed)) {
        if (ParseInt(typed, count) && count >= 1 && count <= kMaxNewTrackTiles) {
            return true;
        }
        console.Say("Incorrect value: a whole number from 1 to " + NumberToText(kMaxNewTrackTiles) + ".");
    }
    return false;
}

bool ASP_WE_Main::AskFile(const std::string& prompt, std::string& name) {
    while (console.Ask(prompt, name)) {
        if (NamesReadableFile(name)) {
            return true;
        }
        console.Say("File not found: " + name);
    }
    return false;
}

void ASP_WE_Main::PlaceNewTrack(int across, int down, const std::string& texture,
                                const std::string& surface) {
    const CTexture* picture = TextureFor(textures, texture);
    const double tileW = picture->PixelWidth();
    const double tileH = picture->PixelHeight();
    for (int row = 0; row < down; ++row) {
        for (int column = 0; column < across; ++column) {
            auto tile = std::make_unique<ASP_WE_GroundSprite>(world.get(), textures);
            tile->SetProperty("texture", texture, console.out);
            tile->SetProperty("surface", surface, console.out);
            tile->SetX(column * tileW);
            tile->SetY(row * tileH);
            world->AddSprite(tile.release());
        }
    }
    createdSize = Point(across * tileW, down * tileH);
    const Point middle = createdSize / 2.0;
    for (int i = 0; i < 4; ++i) {
        auto start = std::make_unique<ASP_WE_StartSprite>(world.get(), textures);
        start->SetX(middle.x - kGridColumnGap + (i % 2) * kGridColumnGap);
        start->SetY(middle.y + kFinishHeight + (i / 2) * kGridRowGap);
        world->AddSprite(start.release());
    }
    auto finish = std::make_unique<ASP_WE_CheckpointSprite>(world.get(), textures);
    finish->SetTextureFile(kCheckpointTexture);
    finish->SetWidth(kFinishWidth);
    finish->SetHeight(kFinishHeight);
    finish->SetX(middle.x - kFinishWidth / 2.0);
    finish->SetY(middle.y - kFinishHeight);
    finish->isFinish = true;
    world->AddSprite(finish.release());
}

void ASP_WE_Main::FailStart(const std::string& message) {
    console.Say(message);
    exitStatus = 1;
    quit = true;
}

void ASP_WE_Main::OnScreenshot(const std::string& path, bool saved) {
    console.Say(saved ? "Screenshot saved to " + path + "." : "Cannot save a screenshot to " + path + ".");
}

void ASP_WE_Main::OnCleanup() {
    selected = nullptr;
    // Deleted objects kept for undoing use the world's textures.
    history.Clear();
    textures = nullptr;
    world.reset();
}

void ASP_WE_Main::OnRender(SDL_Surface* screen) {
    world->Draw(screen);
    RenderOverlay();
}

void ASP_WE_Main::OnUpdate(double dt) {
    if (quit && Unsaved()) {
        AskBeforeClosing();
    }
    world->Update(dt);
}

void ASP_WE_Main::AskBeforeClosing() {
    BringToFront(consoleWindow);
    quit = false;
    console.Say("The track has unsaved changes.");
    std::string answer;
    if (!console.Ask("Save them before closing? (y = save, n = close without saving, Escape = keep editing) ",
                     answer)) {
        // Nobody can answer a console whose input has ended: the editor closes as asked.
        quit = console.Ended();
    } else if (SameWord(answer, "y")) {
        quit = SaveAs();
    } else {
        quit = SameWord(answer, "n");
    }
    BringToFront(sdlWindow);
}

bool ASP_WE_Main::WaitInWindow() {
    bool answerWanted = true;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        if (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE) {
            answerWanted = false;
        } else if (e.type == SDL_QUIT) {
            quit = true;
            answerWanted = false;
        } else if (e.type == SDL_KEYUP || e.type == SDL_VIDEORESIZE) {
            DispatchEvent(&e);
        }
    }
    if (answerWanted && screen != nullptr) {
        waitingForConsole = true;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        OnRender(screen);
        SDL_GL_SwapBuffers();
        waitingForConsole = false;
    }
    return answerWanted;
}

void ASP_WE_Main::RenderOverlay() {
    using namespace we_canvas;
    CFont* font = GetFontFactory()->GetFont(kOverlayFont, kOverlayFontSize);
    if (snapToGrid) {
        Grid(world->LocalToGlobal(Point(0.0, 0.0)), world->GetScale(), GridSpacing(), width, height,
             kGridLine);
    }
    RenderCheckpoints(font);
    RenderStarts(font);
    if (showRacingLine) {
        RenderRacingLine(font);
    }
    if (CSprite* picked = AsSprite(selected)) {
        Outline(picked->GetCorners(), kHighlight, 3.0f);
    }
    Label(font, StatusText(), 8.0, height - 2.0 * kOverlayFontSize, false);
    if (showHelp) {
        TextBlock(font, kHelpLines, 40.0, 40.0);
    }
}

void ASP_WE_Main::RenderCheckpoints(CFont* font) {
    using namespace we_canvas;
    std::vector<ASP_WE_CheckpointSprite*> checkpoints;
    for (int i = 0; i < world->GetSpriteCount(); ++i) {
        if (auto* checkpoint = dynamic_cast<ASP_WE_CheckpointSprite*>(world->GetSprite(i))) {
            checkpoints.push_back(checkpoint);
        }
    }
    std::stable_sort(checkpoints.begin(), checkpoints.end(),
                     [](const auto* a, const auto* b) { return a->index < b->index; });
    for (ASP_WE_CheckpointSprite* checkpoint : checkpoints) {
        // A lap runs through the indices in order: the arrow points at the next one, the last at the first.
        const auto next = std::find_if(checkpoints.begin(), checkpoints.end(),
                                       [&](const auto* other) { return other->index > checkpoint->index; });
        const ASP_WE_CheckpointSprite* target = next != checkpoints.end() ? *next : checkpoints.front();
        const Quad corners = checkpoint->GetCorners();
        const Point toward =
            target->index != checkpoint->index ? QuadCenter(target->GetCorners()) : QuadCenter(corners);
        const CheckpointMark mark = MarkCheckpoint(corners, toward, kArrowLength);
        const Colour colour = checkpoint->isFinish ? kFinishLine : kCheckpointLine;
        Line(mark.from, mark.to, colour, 4.0f);
        Arrow(mark.centre, mark.arrowHead, colour, 3.0f);
        const Point label = mark.centre - (mark.arrowHead - mark.centre) * 0.4;
        Label(font, NumberToText(checkpoint->index) + (checkpoint->isFinish ? " finish" : ""), label.x,
              label.y, true);
    }
}

void ASP_WE_Main::RenderStarts(CFont* font) {
    int number = 0;
    for (int i = 0; i < world->GetSpriteCount(); ++i) {
        if (auto* start = dynamic_cast<ASP_WE_StartSprite*>(world->GetSprite(i))) {
            const Quad corners = start->GetCorners();
            we_canvas::Outline(corners, we_canvas::kStartOutline, 2.0f);
            const Point centre = QuadCenter(corners);
            we_canvas::Label(font, NumberToText(++number), centre.x, centre.y, true);
        }
    }
}

void ASP_WE_Main::RenderRacingLine(CFont* font) {
    using namespace we_canvas;
    const bool own = racingLine.points.size() >= 2;
    std::vector<Point> line;
    for (const Point& p : own ? racingLine.points : CheckpointCentres()) {
        line.push_back(world->LocalToGlobal(p));
    }
    if (line.size() >= 2) {
        const Colour colour = own ? kRacingLine : kFallbackLine;
        Loop(line, colour, 3.0f);
        Arrow(line[0], Along(line[0], line[1], kArrowLength), colour, 3.0f);
    }
    // Even a single point, which is no line yet, is there to be dragged.
    const Point first = racingLine.points.empty() ? Point() : world->LocalToGlobal(racingLine.points[0]);
    Point lastNumbered = first;
    for (size_t i = 0; i < racingLine.points.size(); ++i) {
        const Point p = world->LocalToGlobal(racingLine.points[i]);
        // The first point, where a lap of the line begins, stands out.
        Marker(p, i == 0 ? 2.0 * kPointMarkerHalf : kPointMarkerHalf,
               static_cast<int>(i) == heldPoint ? kHighlight : kRacingLine);
        // Beside the point, off a line that runs up or down; none crowds the first one's.
        if (i == 0 || (Length(p - lastNumbered) >= kPointLabelGap && Length(p - first) >= kPointLabelGap)) {
            Label(font, NumberToText(static_cast<double>(i)), p.x + 2.0 * kOverlayFontSize,
                  p.y - kOverlayFontSize, true);
            lastNumbered = p;
        }
    }
    Label(font, RacingLineCaption(), 8.0, 8.0, false);
}

std::string ASP_WE_Main::RacingLineCaption() const {
    const size_t n = racingLine.points.size();
    const std::string caption =
        "Racing line: " + NumberToText(static_cast<double>(n)) + (n == 1 ? " point" : " points");
    if (n < 2) {
        const size_t centres = CheckpointCentres().size();
        return caption + (centres >= 2   ? "; the race follows the checkpoints' centres (grey)"
                          : centres == 1 ? "; the race drives a lap round the only checkpoint"
                                         : " and no checkpoints to follow; computer cars stand still");
    }
    const int missed = FirstMissedCheckpoint();
    return missed < 0 ? caption
                      : caption + "; it misses checkpoint " + NumberToText(missed) +
                            ", so the race follows the checkpoints' centres";
}

std::vector<Point> ASP_WE_Main::CheckpointCentres() const {
    std::map<int, Point> first;
    for (int i = 0; i < world->GetSpriteCount(); ++i) {
        auto* checkpoint = dynamic_cast<ASP_WE_CheckpointSprite*>(world->GetSprite(i));
        if (checkpoint != nullptr && checkpoint->index >= 0 && checkpoint->index < requiredCheckpoints) {
            first.emplace(checkpoint->index, PivotOf(*checkpoint));
        }
    }
    std::vector<Point> centres;
    for (const auto& [index, centre] : first) {
        centres.push_back(centre);
    }
    return centres;
}

int ASP_WE_Main::FirstMissedCheckpoint() const {
    int missed = -1;
    for (int i = 0; i < world->GetSpriteCount(); ++i) {
        auto* checkpoint = dynamic_cast<ASP_WE_CheckpointSprite*>(world->GetSprite(i));
        if (checkpoint != nullptr && checkpoint->index >= 0 && checkpoint->index < requiredCheckpoints &&
            (missed < 0 || checkpoint->index < missed) &&
            racingLine.DistanceTo(PivotOf(*checkpoint)) > checkpoint->GetWidth() * 0.5) {
            missed = checkpoint->index;
        }
    }
    return missed;
}

std::string ASP_WE_Main::StatusText() const {
    if (waitingForConsole) {
        return "Answer the question on the console (Escape here cancels it)";
    }
    const Point at = world->GlobalToLocal(pointer);
    std::string text = FileNameOf(worldPath) + (Unsaved() ? " (unsaved)" : "") + "  |  zoom " +
                       NumberToText(std::round(world->GetScale() * 100.0) / 100.0) + "  |  pointer " +
                       NumberToText(std::round(at.x)) + ", " + NumberToText(std::round(at.y)) + "  |  grid ";
    text += snapToGrid ? "1/" + NumberToText(gridDivisions) + " tile" : "off";
    if (const CSprite* picked = AsSprite(selected)) {
        const auto* turnable = dynamic_cast<const CRotateable*>(selected);
        text += "  |  " + KindWord(selected) + " at " + NumberToText(picked->GetX()) + ", " +
                NumberToText(picked->GetY()) +
                (turnable != nullptr ? ", angle " + NumberToText(turnable->GetRotation()) : "");
    }
    if (heldPoint >= 0) {
        const Point held = racingLine.points[heldPoint];
        text += "  |  line point " + NumberToText(heldPoint) + " at " + NumberToText(held.x) + ", " +
                NumberToText(held.y);
    }
    return text + "  |  F1 keys";
}

int ASP_WE_Main::ReadCount(const std::string& countKey) {
    const int count = GetIniInt(kMain, countKey, 0, worldPath);
    if (count > kMaxObjectsPerKind) {
        console.Say("Refused " + countKey + " = " + std::to_string(count) + ": more than " +
                    NumberToText(kMaxObjectsPerKind) + ", none of them loaded.");
        return 0;
    }
    return count;
}

std::vector<std::string> ASP_WE_Main::TilePictures() const {
    std::vector<std::string> pictures;
    const int count = GetIniInt(kMain, kGround.countKey, 0, worldPath);
    for (int i = 0; i < count && i < kMaxObjectsPerKind; ++i) {
        pictures.push_back(ASP_WE_GroundSprite::Picture(kGround.prefix + NumberToText(i), worldPath));
    }
    return pictures;
}

template <typename Object>
void ASP_WE_Main::LoadObjects(const std::string& countKey, const std::string& prefix) {
    const int count = ReadCount(countKey);
    for (int i = 0; i < count; ++i) {
        auto object = std::make_unique<Object>(world.get(), textures);
        object->Load(prefix + NumberToText(i), worldPath);
        world->AddSprite(object.release());
    }
}

void ASP_WE_Main::LoadWorld() {
    console.Say("Loading world file...");
    const CIniReadBatch batch(worldPath);
    RemoveStaleSaves(SaveTarget(worldPath));
    // Only what the editor does not edit (music, surface modifiers and their particles) is
    // carried over into a save; it is kept from the load, so a file gone since then loses none
    // of it. The object sections are written afresh, so none of an old count lingers.
    keptSections = NonObjectSections(ReadWholeFile(worldPath));
    LoadObjects<ASP_WE_StartSprite>(kStarts.countKey, kStarts.prefix);
    {
        // The tiles' pictures are most of the load; workers decode them while this thread uploads.
        CPictureDecoder decoder(TilePictures());
        LoadObjects<ASP_WE_GroundSprite>(kGround.countKey, kGround.prefix);
    }
    LoadObjects<ASP_WE_StaticSprite>(kStatics.countKey, kStatics.prefix);
    LoadObjects<ASP_WE_CheckpointSprite>(kCheckpoints.countKey, kCheckpoints.prefix);
    LoadObjects<ASP_WE_PhysicsSprite>(kPhysics.countKey, kPhysics.prefix);
    // The race's default: a world without the key is saved as the race reads it.
    requiredCheckpoints = GetIniInt(kMain, kRequiredCheckpoints, 1, worldPath);
    laps = GetIniInt(kMain, kLaps, 1, worldPath);
    racingLine.Load(worldPath, console.out);
    settledLine = racingLine.points;
    console.Say("Loading done.");
}

bool ASP_WE_Main::SaveWorld() {
    SettleMove();
    BringToFront(consoleWindow);
    std::string answer;
    const bool saved = console.Ask("Save? (y/n) ", answer) && SameWord(answer, "y") && SaveAs();
    BringToFront(sdlWindow);
    return saved;
}

bool ASP_WE_Main::SaveAs() {
    std::string file;
    if (!console.Ask("File name: ", file)) {
        return false;
    }
    console.Say("Saving...");
    const bool saved = WriteWorld(file);
    console.Say(saved ? "Saving done." : "Saving failed: " + file + " was left as it was.");
    if (saved) {
        history.MarkSaved();
    }
    return saved;
}

bool ASP_WE_Main::WriteWorld(const std::string& file) {
    if (file.empty()) {
        console.Say("No file name was given.");
        return false;
    }
    if (LeavesUserFolder(file)) {
        console.Say(RefusalOf(file));
        return false;
    }
    const std::string target = SaveTarget(PrepareWritePath(file));
    const std::string refusal = SaveRefusal(target);
    if (!refusal.empty()) {
        console.Say(refusal);
        return false;
    }
    RemoveStaleSaves(target);
    std::string temporary;
    if (!CreateFileNextTo(target, keptSections, temporary)) {
        console.Say("Cannot create a new file next to " + target + ".");
        return false;
    }
    // Thousands of keys, each stored in a replacement of the whole file, froze the editor for
    // seconds; gathered in memory they cost one replacement.
    CIniWriteBatch batch(temporary);
    bool written = WriteObjects(temporary);
    if (written && !batch.Commit()) {
        console.Say("Cannot write " + temporary + ".");
        written = false;
    }
    if (written && !MoveOver(temporary, target)) {
        console.Say("Cannot replace " + target + ".");
        written = false;
    }
    if (!written) {
        unlink(temporary.c_str());
    }
    return written;
}

bool ASP_WE_Main::WriteObjects(const std::string& file) {
    int starts = 0;
    int ground = 0;
    int statics = 0;
    int checkpoints = 0;
    int physics = 0;
    bool written = true;
    for (int i = 0; i < world->GetSpriteCount() && written; ++i) {
        CSprite* child = world->GetSprite(i);
        // Checkpoints and bodies are static objects too, so they are told apart first.
        if (auto* body = dynamic_cast<ASP_WE_PhysicsSprite*>(child)) {
            written = body->Save(kPhysics.prefix + NumberToText(physics++), file);
        } else if (auto* checkpoint = dynamic_cast<ASP_WE_CheckpointSprite*>(child)) {
            written = checkpoint->Save(kCheckpoints.prefix + NumberToText(checkpoints++), file);
        } else if (auto* tile = dynamic_cast<ASP_WE_GroundSprite*>(child)) {
            written = tile->Save(kGround.prefix + NumberToText(ground++), file);
        } else if (auto* start = dynamic_cast<ASP_WE_StartSprite*>(child)) {
            written = start->Save(kStarts.prefix + NumberToText(starts++), file);
        } else if (auto* decoration = dynamic_cast<ASP_WE_StaticSprite*>(child)) {
            written = decoration->Save(kStatics.prefix + NumberToText(statics++), file);
        }
    }
    if (!written || !racingLine.Save(file)) {
        console.Say("Cannot write the objects into " + file + ".");
        return false;
    }
    ASP_WE_SectionWriter main(kMain, file);
    main.Int(kStarts.countKey, starts);
    main.Int(kGround.countKey, ground);
    main.Int(kStatics.countKey, statics);
    main.Int(kCheckpoints.countKey, checkpoints);
    main.Int(kPhysics.countKey, physics);
    main.Int(kLaps, laps);
    main.Int(kRequiredCheckpoints, requiredCheckpoints);
    if (!main.Succeeded()) {
        console.Say("Cannot write the section main into " + file + ".");
    }
    return main.Succeeded();
}

void ASP_WE_Main::AddObject() {
    BringToFront(consoleWindow);
    console.Say("Add new sprite, available classes: ");
    console.Say(" ground: Map ground tile.");
    console.Say(" start: Player starting position.");
    console.Say(" checkpoint: A checkpoint on the map.");
    console.Say(" static: A static object on the map, for decoration only.");
    console.Say(" physobj: A physics-enabled object.");
    console.out << "Enter class of new object: ";
    std::string kind;
    if (AskKind(kind)) {
        std::unique_ptr<CImageSprite> sprite = CreateObject(kind);
        auto* object = dynamic_cast<ASP_WE_Object*>(sprite.get());
        if (AskPictures(kind, *object)) {
            PlaceUnderPointer(*sprite);
            if (sprite->GetWidth() > 0.0 && sprite->GetHeight() > 0.0) {
                SettleMove();
                history.Push(std::make_unique<ASP_WE_Presence>(world->AddSprite(sprite.release()), nullptr));
                PickUp(object);
            } else {
                console.Say("Invalid texture file selected.");
            }
        }
    }
    BringToFront(sdlWindow);
}

bool ASP_WE_Main::AskKind(std::string& kind) {
    for (;;) {
        if (!console.ReadLine(kind) || SameWord(kind, "done")) {
            return false;
        }
        if (IsKindWord(kind)) {
            return true;
        }
        console.Say("Wrong input, try again.");
    }
}

std::unique_ptr<CImageSprite> ASP_WE_Main::CreateObject(const std::string& kind) {
    if (SameWord(kind, "ground")) {
        return std::make_unique<ASP_WE_GroundSprite>(world.get(), textures);
    }
    if (SameWord(kind, "start")) {
        return std::make_unique<ASP_WE_StartSprite>(world.get(), textures);
    }
    if (SameWord(kind, "checkpoint")) {
        return std::make_unique<ASP_WE_CheckpointSprite>(world.get(), textures);
    }
    if (SameWord(kind, "physobj")) {
        return std::make_unique<ASP_WE_PhysicsSprite>(world.get(), textures);
    }
    return std::make_unique<ASP_WE_StaticSprite>(world.get(), textures);
}

bool ASP_WE_Main::AskPictures(const std::string& kind, ASP_WE_Object& object) {
    // A start position always shows the car at the race's size.
    if (SameWord(kind, "start")) {
        return true;
    }
    if (!AskPicture(object, "Texture: ", "texture")) {
        return false;
    }
    auto* sprite = dynamic_cast<CImageSprite*>(&object);
    const CTexture* picture = sprite->GetTexture();
    sprite->SetWidth(picture != nullptr ? picture->PixelWidth() : 0.0);
    sprite->SetHeight(picture != nullptr ? picture->PixelHeight() : 0.0);
    return !SameWord(kind, "ground") || AskPicture(object, "Surface Map: ", "surface");
}

bool ASP_WE_Main::AskPicture(ASP_WE_Object& object, const std::string& prompt, const std::string& property) {
    std::string name;
    do {
        if (!AskFile(prompt, name)) {
            return false;
        }
    } while (object.SetProperty(property, name, console.out) != 0);
    return true;
}

void ASP_WE_Main::PlaceUnderPointer(CImageSprite& sprite) {
    const Point corner =
        OnGrid(world->GlobalToLocal(pointer) - Point(sprite.GetWidth(), sprite.GetHeight()) / 2.0);
    sprite.SetX(corner.x);
    sprite.SetY(corner.y);
}

void ASP_WE_Main::PickUp(ASP_WE_Object* object) {
    selected = object;
    CSprite* sprite = AsSprite(object);
    if (sprite == nullptr) {
        return;
    }
    pickedUpAt = Point(sprite->GetX(), sprite->GetY());
    auto* turnable = dynamic_cast<CRotateable*>(object);
    pickedUpAngle = turnable != nullptr ? turnable->GetRotation() : 0.0;
    grabOffset = pickedUpAt - world->GlobalToLocal(pointer);
    pickedUpState = history.Remember(*object);
}

bool ASP_WE_Main::PickedUpMoved() const {
    const CSprite* sprite = AsSprite(selected);
    const auto* turnable = dynamic_cast<const CRotateable*>(selected);
    return sprite != nullptr && (Point(sprite->GetX(), sprite->GetY()) != pickedUpAt ||
                                 (turnable != nullptr && turnable->GetRotation() != pickedUpAngle));
}

void ASP_WE_Main::SettleMove() {
    if (racingLine.points != settledLine) {
        history.Push(std::make_unique<ASP_WE_ValueChange<std::vector<Point>>>(racingLine.points, settledLine,
                                                                              racingLine.points));
        settledLine = racingLine.points;
    }
    if (PickedUpMoved()) {
        history.Push(std::make_unique<ASP_WE_Change>(IndexOf(selected), pickedUpState,
                                                     history.Remember(*selected), history.Store()));
        PickUp(selected);
    }
}

void ASP_WE_Main::FollowPointer() {
    if (heldPoint >= 0) {
        racingLine.points[heldPoint] = OnGrid(world->GlobalToLocal(pointer) + grabOffset);
        return;
    }
    CSprite* sprite = AsSprite(selected);
    if (sprite == nullptr || dynamic_cast<ASP_WE_GroundSprite*>(sprite) != nullptr) {
        return;
    }
    const Point corner = OnGrid(world->GlobalToLocal(pointer) + grabOffset);
    sprite->SetX(corner.x);
    sprite->SetY(corner.y);
}

int ASP_WE_Main::IndexOf(ASP_WE_Object* object) const {
    for (int i = 0; object != nullptr && i < world->GetSpriteCount(); ++i) {
        if (world->GetSprite(i) == AsSprite(object)) {
            return i;
        }
    }
    return -1;
}

Point ASP_WE_Main::OnGrid(Point p) const {
    return snapToGrid ? Point(Snapped(p.x, GridSpacing()), Snapped(p.y, GridSpacing())) : p;
}

double ASP_WE_Main::GridSpacing() const {
    double tile = kDefaultTileSize;
    for (int i = 0; i < world->GetSpriteCount(); ++i) {
        if (auto* ground = dynamic_cast<ASP_WE_GroundSprite*>(world->GetSprite(i));
            ground && ground->GetWidth() > 0.0) {
            tile = ground->GetWidth();
            break;
        }
    }
    return tile / gridDivisions;
}

void ASP_WE_Main::ShowArea(Point size) {
    const double fit = std::min(width / size.x, height / size.y);
    Zoom(static_cast<int>(std::floor(std::log(fit) / std::log(kZoomBase))), 0, 0);
    const double scale = world->GetScale();
    world->SetX((width - size.x * scale) / 2.0);
    world->SetY((height - size.y * scale) / 2.0);
}

bool ASP_WE_Main::Undo() {
    SettleMove();
    // The object or the line's point may leave the world with the edit.
    selected = nullptr;
    heldPoint = -1;
    const bool undone = history.Undo(*world);
    settledLine = racingLine.points;
    return undone;
}

bool ASP_WE_Main::Redo() {
    SettleMove();
    selected = nullptr;
    heldPoint = -1;
    const bool redone = history.Redo(*world);
    settledLine = racingLine.points;
    return redone;
}

void ASP_WE_Main::EditSelected() {
    if (selected == nullptr) {
        return;
    }
    console.Say("");
    selected->Print(console.out);
    console.Say("Enter \"done\" to finish editing the object.");
    console.Say("");
    SettleMove();
    const std::string before = history.Remember(*selected);
    bool changed = false;
    console.EditProperties([this, &changed](const std::string& name, const std::string& value) {
        const int result = selected->SetProperty(name, value, console.out);
        changed = changed || result == 0;
        return result;
    });
    if (changed) {
        history.Push(std::make_unique<ASP_WE_Change>(IndexOf(selected), before, history.Remember(*selected),
                                                     history.Store()));
        PickUp(selected);
    }
}

void ASP_WE_Main::EditWorld() {
    BringToFront(consoleWindow);
    console.Say("");
    console.Say("laps: " + NumberToText(laps));
    console.Say("requiredCheckpoints: " + NumberToText(requiredCheckpoints));
    console.Say("Enter \"done\" to finish editing the object.");
    console.Say("");
    console.EditProperties([this](const std::string& name, const std::string& value) {
        const int lapsBefore = laps;
        const int requiredBefore = requiredCheckpoints;
        const int result = SetWorldProperty(name, value);
        for (auto [number, before] :
             {std::pair{&laps, lapsBefore}, std::pair{&requiredCheckpoints, requiredBefore}}) {
            if (*number != before) {
                history.Push(std::make_unique<ASP_WE_ValueChange<int>>(*number, before, *number));
            }
        }
        return result;
    });
    BringToFront(sdlWindow);
}

int ASP_WE_Main::SetWorldProperty(const std::string& name, const std::string& value) {
    int v = 0;
    if (SameWord(name, kLaps)) {
        if (!ParseInt(value, v) || v <= 0) {
            return -2;
        }
        laps = v;
        return 0;
    }
    if (SameWord(name, kRequiredCheckpoints)) {
        if (!ParseInt(value, v) || v < 0) {
            return -2;
        }
        requiredCheckpoints = v;
        return 0;
    }
    return -1;
}

void ASP_WE_Main::Zoom(int level, int x, int y) {
    zoomLevel = std::min(std::max(level, kMinZoomLevel), kMaxZoomLevel);
    const Point screen(x, y);
    const Point before = world->GlobalToLocal(screen);
    const double scale = std::pow(kZoomBase, zoomLevel);
    world->SetScale(scale);
    const Point after = world->GlobalToLocal(screen);
    world->SetX(world->GetX() - (before.x - after.x) * scale);
    world->SetY(world->GetY() - (before.y - after.y) * scale);
}

void ASP_WE_Main::OnKeyDown(SDL_Event* e) {
    switch (e->key.keysym.sym) {
        case SDLK_a:
            AddObject();
            break;
        case SDLK_e:
            if (selected != nullptr) {
                BringToFront(consoleWindow);
                EditSelected();
                BringToFront(sdlWindow);
            } else {
                EditWorld();
            }
            break;
        case SDLK_s:
            SaveWorld();
            break;
        case SDLK_g:
            if ((e->key.keysym.mod & KMOD_SHIFT) != 0) {
                gridDivisions = gridDivisions * 2 > kMaxGridDivisions ? 1 : gridDivisions * 2;
            } else {
                snapToGrid = !snapToGrid;
            }
            break;
        case SDLK_z:
            if (CtrlHeld()) {
                Undo();
            }
            break;
        case SDLK_y:
            if (CtrlHeld()) {
                Redo();
            }
            break;
        case SDLK_q:
            quit = quit || CtrlHeld();
            break;
        case SDLK_l:
            ToggleRacingLine();
            break;
        case SDLK_p:
            AddLinePoint();
            break;
        case SDLK_DELETE:
            DeleteLinePoint();
            break;
        case SDLK_F1:
            showHelp = !showHelp;
            break;
        case SDLK_ESCAPE:
            showHelp = false;
            break;
        case SDLK_LCTRL:
            leftCtrl = true;
            break;
        case SDLK_RCTRL:
            rightCtrl = true;
            break;
        default:
            break;
    }
}

void ASP_WE_Main::OnKeyUp(SDL_Event* e) {
    if (e->key.keysym.sym == SDLK_LCTRL) {
        leftCtrl = false;
    } else if (e->key.keysym.sym == SDLK_RCTRL) {
        rightCtrl = false;
    }
}

void ASP_WE_Main::OnMouseMove(SDL_Event* e) {
    pointer = Point(e->motion.x, e->motion.y);
    if ((e->motion.state & kMiddleButtonMask) != 0) {
        world->SetX(world->GetX() + e->motion.xrel);
        world->SetY(world->GetY() + e->motion.yrel);
        return;
    }
    // A selected object stays under the pointer, where it was taken, until a click drops it;
    // ground tiles stay where they are.
    FollowPointer();
}

void ASP_WE_Main::OnMouseButtonDown(SDL_Event* e) {
    pointer = Point(e->button.x, e->button.y);
    const bool shift = (SDL_GetModState() & KMOD_SHIFT) != 0;
    switch (e->button.button) {
        case SDL_BUTTON_LEFT:
            if (heldPoint >= 0) {
                DropLinePoint();
            } else if (selected == nullptr) {
                if (!HoldLinePoint()) {
                    PickUp(dynamic_cast<ASP_WE_Object*>(world->GetSpriteAt(e->button.x, e->button.y)));
                }
            } else {
                SettleMove();
                selected = nullptr;
            }
            break;
        case SDL_BUTTON_RIGHT:
            DeleteSelected();
            break;
        case SDL_BUTTON_WHEELUP:
            if (CtrlHeld()) {
                Zoom(zoomLevel + 1, e->button.x, e->button.y);
            } else if (shift) {
                SnapTurnSelected(1);
            } else {
                TurnSelected(kTurnStep);
            }
            break;
        case SDL_BUTTON_WHEELDOWN:
            if (CtrlHeld()) {
                Zoom(zoomLevel - 1, e->button.x, e->button.y);
            } else if (shift) {
                SnapTurnSelected(-1);
            } else {
                TurnSelected(-kTurnStep);
            }
            break;
        default:
            break;
    }
}

void ASP_WE_Main::OnMouseButtonUp(SDL_Event* e) {
    pointer = Point(e->button.x, e->button.y);
    // A point dragged is dropped where the button lets go; one only clicked stays held until the
    // next click, as objects do.
    if (e->button.button == SDL_BUTTON_LEFT && heldPoint >= 0 && pointer != pressedAt) {
        DropLinePoint();
    }
}

void ASP_WE_Main::ToggleRacingLine() {
    DropLinePoint();
    showRacingLine = !showRacingLine;
}

bool ASP_WE_Main::HoldLinePoint() {
    const Point at = world->GlobalToLocal(pointer);
    const int index = showRacingLine ? racingLine.PointNear(at, kPointGrabRadius / world->GetScale()) : -1;
    if (index >= 0) {
        heldPoint = index;
        grabOffset = racingLine.points[index] - at;
        pressedAt = pointer;
    }
    return index >= 0;
}

void ASP_WE_Main::DropLinePoint() {
    // A point dropped on its neighbour merges with it.
    racingLine.DropRepeats();
    SettleMove();
    heldPoint = -1;
}

void ASP_WE_Main::AddLinePoint() {
    if (showRacingLine) {
        DropLinePoint();
        racingLine.Insert(OnGrid(world->GlobalToLocal(pointer)));
        SettleMove();
    }
}

void ASP_WE_Main::DeleteLinePoint() {
    if (!showRacingLine) {
        return;
    }
    const int index = heldPoint >= 0 ? heldPoint
                                     : racingLine.PointNear(world->GlobalToLocal(pointer),
                                                            kPointGrabRadius / world->GetScale());
    if (index >= 0) {
        // Before the drop, which may merge the points about it and so change their numbers.
        racingLine.points.erase(racingLine.points.begin() + index);
    }
    DropLinePoint();
}

void ASP_WE_Main::DeleteSelected() {
    SettleMove();
    const int index = IndexOf(selected);
    // Dropped before the object goes, so that nothing is left pointing at it.
    selected = nullptr;
    if (index >= 0) {
        // Kept by the history, so that undoing puts it back where it was.
        history.Push(std::make_unique<ASP_WE_Presence>(index, world->TakeSprite(index)));
    }
}

void ASP_WE_Main::TurnSelected(double degrees) {
    auto* turnable = dynamic_cast<CRotateable*>(selected);
    if (turnable != nullptr) {
        turnable->SetRotation(turnable->GetRotation() + degrees);
    }
}

void ASP_WE_Main::SnapTurnSelected(int direction) {
    auto* turnable = dynamic_cast<CRotateable*>(selected);
    if (turnable == nullptr) {
        return;
    }
    // To the next step in that direction, so that an angle between steps lands on one.
    const double steps = turnable->GetRotation() / kSnapTurnStep;
    const double next = direction > 0 ? std::floor(steps + 1e-9) + 1.0 : std::ceil(steps - 1e-9) - 1.0;
    turnable->SetRotation(next * kSnapTurnStep);
}
