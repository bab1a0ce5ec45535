#pragma once

#include <cstdint>
#include <vector>

#include "engine/geometry.h"
#include "engine/sprite.h"

// Finds the candidates of the collision pass: a uniform grid over the bounding boxes of the
// sprites' outlines (GetCorners). Two outlines that overlap have overlapping boxes, so every pair
// that the quad test accepts is among the candidates; a sprite without area is never one.
//
// Sprites are known by their index in the list handed to Start. Boxes are read when a sprite is
// added and again on Refresh, which the pass calls for both sprites of every pair whose hooks ran.
class CBroadPhase {
public:
    // Forgets the last pass and takes every sprite of the list.
    void Start(const std::vector<CSprite*>& sprites);
    // Takes the sprites appended to the list since (they join the running pass).
    void Follow(const std::vector<CSprite*>& sprites);
    // Reads the box of sprite i again; true when it changed.
    bool Refresh(size_t i);
    // The indices after `after` whose boxes overlap the box of i, ascending. Valid until the next
    // call.
    const std::vector<size_t>& Candidates(size_t i, size_t after);

private:
    struct Box {
        double minX = 0.0;
        double minY = 0.0;
        double maxX = 0.0;
        double maxY = 0.0;
    };
    struct Cells {
        int64_t x0 = 0;
        int64_t y0 = 0;
        int64_t x1 = -1;
        int64_t y1 = -1;
    };
    // One sprite listed in one cell; `next` links the entries of a cell, -1 ends the chain.
    struct Entry {
        size_t sprite;
        int next;
    };
    // A cell of the open-addressing table: its key and its first entry, -1 for a free slot.
    struct Slot {
        uint64_t key = 0;
        int head = -1;
    };

    static Box BoxOf(const Quad& q);
    static bool Overlap(const Box& a, const Box& b);
    static uint64_t Key(int64_t x, int64_t y);
    // Reads the box and area of sprite i.
    void Read(size_t i);
    void Add(size_t i);
    // The cells a box covers; false when it covers too many or lies beyond the grid.
    bool CellsOf(const Box& box, Cells* cells) const;
    Slot& SlotOf(uint64_t key);
    void Grow();

    std::vector<CSprite*> sprites;
    std::vector<Box> boxes;
    std::vector<char> solid;
    // Sprites whose box covers too many cells (or lies beyond the grid) are tested against all.
    std::vector<size_t> wide;
    std::vector<Slot> table;
    size_t usedSlots = 0;
    std::vector<Entry> entries;
    double cellSize = 1.0;
    std::vector<size_t> found;
    // Query marks, so that a sprite found in several cells is listed once.
    std::vector<uint32_t> seen;
    uint32_t query = 0;
};
