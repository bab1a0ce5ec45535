#include "worldedit/tools/dialogue_tool.h"

#include <algorithm>
#include <cctype>

#include "engine/ini.h"
#include "worldedit/new_track.h"
#include "worldedit/road/road_builder.h"
#include "worldedit/tools/canvas_overlay.h"
#include "worldedit/track_publish.h"

namespace {

// The name a track is offered under: its file's, with words for the parts and a capital first.
std::string ProposedName(const std::string& world) {
    std::string name = TrackStem(world);
    std::replace(name.begin(), name.end(), '_', ' ');
    name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    return name;
}

}  // namespace

void ASP_WE_DialogueTool::Bind(ASP_WE_KeyBindings& keys) {
    using Input = ASP_WE_Input;
    using Group = ASP_WE_HelpGroup;
    keys.Bind(Group::kObjects, Input::Key(SDLK_e), "edit the picked-up object, or the track's laps",
              Always([this] { Edit(); }));
    keys.Bind(Group::kObjects, Input::Key(SDLK_s), "save (answer on the console)",
              Always([this] { SaveWorld(); }));
}

bool ASP_WE_DialogueTool::AskWorldPath(const std::string& given, Point& createdSize) {
    ASP_WE_Console& console = context.console;
    std::string& worldPath = context.document.worldPath;
    std::string typed = given;
    bool answered = !typed.empty();
    for (;;) {
        if (!answered && !console.Ask("Enter World File Path: ", typed)) {
            return false;
        }
        answered = false;
        worldPath = MakeAbsolutePath(typed);
        context.document.openedAs = typed;
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
            if (CreateNewTrack(context, typed, createdSize)) {
                return true;
            }
        } else if (!SameWord(answer, "n") && !answer.empty()) {
            // A script written for the plain question sends the next file name here.
            typed = answer;
            answered = true;
        }
    }
}

void ASP_WE_DialogueTool::Edit() {
    if (context.selected != nullptr) {
        context.ToConsole();
        EditSelected();
        context.ToWindow();
    } else {
        EditWorld();
    }
}

void ASP_WE_DialogueTool::SayEditingEnds() {
    context.console.Say("Enter \"done\" to finish editing the object.");
    context.console.Say("");
}

void ASP_WE_DialogueTool::EditSelected() {
    ASP_WE_Object* object = context.selected;
    if (object == nullptr) {
        return;
    }
    ASP_WE_Console& console = context.console;
    console.Say("");
    object->Print(console.out);
    SayEditingEnds();
    context.Settle();
    const std::string before = context.document.StateOf(*object);
    bool changed = false;
    console.EditProperties([object, &console, &changed](const std::string& name, const std::string& value) {
        const int result = object->SetProperty(name, value, console.out);
        changed = changed || result == 0;
        return result;
    });
    if (changed) {
        context.document.RecordChange(*object, before);
        context.PickUp(object);
    }
}

void ASP_WE_DialogueTool::EditWorld() {
    ASP_WE_TrackDocument& document = context.document;
    context.ToConsole();
    context.console.Say("");
    context.console.Say("laps: " + NumberToText(document.laps));
    context.console.Say("requiredCheckpoints: " + NumberToText(document.requiredCheckpoints));
    SayEditingEnds();
    context.console.EditProperties([&document](const std::string& name, const std::string& value) {
        return document.SetProperty(name, value);
    });
    context.ToWindow();
}

bool ASP_WE_DialogueTool::SaveWorld() {
    context.Settle();
    context.ToConsole();
    std::string answer;
    const bool saved = context.console.Ask("Save? (y/n) ", answer) && SameWord(answer, "y") && SaveAs();
    context.ToWindow();
    return saved;
}

bool ASP_WE_DialogueTool::SaveAs() {
    ASP_WE_Console& console = context.console;
    std::string file;
    const std::string& proposed = context.document.openedAs;
    if (!console.Ask(proposed.empty() ? "File name: " : "File name (Enter for " + proposed + "): ", file)) {
        return false;
    }
    if (Trimmed(file, " \t").empty()) {
        file = proposed;
    }
    console.Say("Saving...");
    const bool saved = context.document.Write(file);
    console.Say(saved ? "Saving done." : "Saving failed: " + file + " was left as it was.");
    problems.clear();
    if (saved) {
        context.document.MarkSaved();
        context.document.openedAs = file;
        OfferListing();
    }
    return saved;
}

bool ASP_WE_DialogueTool::OfferListing() {
    ASP_WE_Console& console = context.console;
    const std::string world = ListedWorldName(context.document.worldPath);
    if (world.empty() || TrackListed(world)) {
        return false;
    }
    std::string answer;
    if (!console.Ask("Add the track to the game's track list? (y/n) ", answer) || !SameWord(answer, "y")) {
        return false;
    }
    problems = TrackProblems(context.document);
    if (!problems.empty()) {
        console.Say("The game cannot race the track yet:");
        for (const std::string& problem : problems) {
            console.Say("  " + problem);
        }
        return false;
    }
    const std::string proposed = ProposedName(world);
    std::string name;
    if (!console.Ask("Name in the game (Enter for " + proposed + "): ", name)) {
        return false;
    }
    // The list's fields are separated by "|".
    std::replace(name.begin(), name.end(), '|', '/');
    name = Trimmed(name, " \t").empty() ? proposed : Trimmed(name, " \t");
    const std::string preview = WritePreview(context.document, TrackStem(world), console.out);
    if (preview.empty() || !ListTrack(world, name, preview, console.out)) {
        return false;
    }
    console.Say("Listed \"" + name + "\" in the game's tracks, with the preview " + preview + ".");
    return true;
}

void ASP_WE_DialogueTool::Draw(const ASP_WE_Canvas& canvas) {
    // The list holds for the track as saved; the first change may have mended some of it.
    if (context.Unsaved()) {
        problems.clear();
    }
    if (problems.empty()) {
        return;
    }
    std::vector<std::string> lines = {"Before the game can race this track:"};
    for (const std::string& problem : problems) {
        lines.push_back("- " + problem);
    }
    lines.push_back("Fix them, then save again.");
    we_canvas::TextBlock(canvas.font, lines, 40.0, canvas.height / 3.0);
}

bool ASP_WE_DialogueTool::MayClose() {
    ASP_WE_Console& console = context.console;
    context.ToConsole();
    console.Say("The track has unsaved changes.");
    std::string answer;
    bool close = false;
    if (!console.Ask("Save them before closing? (y = save, n = close without saving, Escape = keep editing) ",
                     answer)) {
        // Nobody can answer a console whose input has ended: the editor closes as asked.
        close = console.Ended();
    } else if (SameWord(answer, "y")) {
        close = SaveAs();
    } else {
        close = SameWord(answer, "n");
    }
    context.ToWindow();
    return close;
}
