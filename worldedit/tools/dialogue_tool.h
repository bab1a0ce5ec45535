#pragma once

#include <string>
#include <vector>

#include "worldedit/tools/tool.h"

// The questions on the console about the track as a whole: which file to open (or to create),
// editing the picked-up object's values or the track's, saving, and saving before closing. Each
// runs inside the key handler; the window goes on being drawn while it waits for an answer.
class ASP_WE_DialogueTool : public ASP_WE_Tool {
public:
    using ASP_WE_Tool::ASP_WE_Tool;

    void Bind(ASP_WE_KeyBindings& keys) override;
    // What the game still needs of the track, after an offer to list it found something missing,
    // until the track changes.
    void Draw(const ASP_WE_Canvas& canvas) override;

    // Asks for the world file until one can be read, given stands for the first answer; a name
    // that is no file can become a new track, whose size is then set. False when no answer came.
    bool AskWorldPath(const std::string& given, Point& createdSize);
    // True only when the world was written completely; otherwise the file that was asked for is
    // left as it was.
    bool SaveWorld();
    void EditSelected();
    void EditWorld();
    // Whether the editor may close with unsaved changes: after saving them, or when told to drop
    // them or nobody can answer.
    bool MayClose();

    // After a save into the game's folder dat of a track the game does not list yet: offers to
    // list it with a name and a preview, once it has what the game needs. True when it was listed.
    bool OfferListing();

private:
    void Edit();
    bool SaveAs();
    void SayEditingEnds();

    // Shown in the window until the track changes or is saved again.
    std::vector<std::string> problems;
};
