#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/geometry.h"

// Finds the candidates of a collision pass: a uniform grid over the bounding boxes of the
// outlines of a list of things (sprites, bodies). Two outlines that overlap have overlapping boxes,
// so every pair that the quad test accepts is among the candidates; an outline without area is
// never one.
//
// Things are known by their index in the list. Outlines are read (through the function given to
// Start) when a thing is added and again on Refresh, which the pass calls for both things of every
// pair whose hooks ran.
class CBroadPhase {
public:
    using OutlineOf = std::function<Quad(size_t)>;

    // Forgets the last pass and takes the things 0 to count - 1.
    void Start(size_t count, OutlineOf outline);
    // Takes the things appended to the list since, up to count (they join the running pass).
    void Follow(size_t count);
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

    OutlineOf outlineOf;
    size_t count = 0;
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
