#include "engine/broad_phase.h"

#include <algorithm>
#include <cmath>

namespace {

// A box covering more cells than this is tested against every sprite instead.
const double kMaxCells = 64.0;
// Cells are this many times the typical sprite's extent, so that most sprites cover one to four.
const double kCellsPerExtent = 2.0;

}  // namespace

CBroadPhase::Box CBroadPhase::BoxOf(const Quad& q) {
    return Box{std::min({q.p[0].x, q.p[1].x, q.p[2].x, q.p[3].x}),
               std::min({q.p[0].y, q.p[1].y, q.p[2].y, q.p[3].y}),
               std::max({q.p[0].x, q.p[1].x, q.p[2].x, q.p[3].x}),
               std::max({q.p[0].y, q.p[1].y, q.p[2].y, q.p[3].y})};
}

void CBroadPhase::Start(size_t things, OutlineOf outline) {
    outlineOf = std::move(outline);
    count = things;
    boxes.assign(count, Box());
    solid.assign(count, false);
    seen.assign(count, 0);
    query = 0;
    wide.clear();
    entries.clear();
    size_t slots = 64;
    while (slots < 8 * count) {
        slots *= 2;
    }
    table.assign(slots, Slot());
    usedSlots = 0;
    std::vector<double> extents;
    for (size_t i = 0; i < count; ++i) {
        Read(i);
        if (solid[i]) {
            extents.push_back(std::max(boxes[i].maxX - boxes[i].minX, boxes[i].maxY - boxes[i].minY));
        }
    }
    cellSize = 1.0;
    if (!extents.empty()) {
        std::nth_element(extents.begin(), extents.begin() + extents.size() / 2, extents.end());
        const double typical = extents[extents.size() / 2] * kCellsPerExtent;
        cellSize = std::isfinite(typical) && typical > cellSize ? typical : cellSize;
    }
    for (size_t i = 0; i < count; ++i) {
        if (solid[i]) {
            Add(i);
        }
    }
}

void CBroadPhase::Follow(size_t things) {
    for (size_t i = count; i < things; ++i) {
        ++count;
        boxes.emplace_back();
        solid.push_back(false);
        seen.push_back(0);
        Refresh(i);
    }
}

void CBroadPhase::Read(size_t i) {
    const Quad q = outlineOf(i);
    const Box b = BoxOf(q);
    // Rounding in the quad test must never find an overlap that the boxes miss.
    const double margin =
        1e-9 * (1.0 + std::max({std::fabs(b.minX), std::fabs(b.maxX), std::fabs(b.minY), std::fabs(b.maxY)}));
    boxes[i] = Box{b.minX - margin, b.minY - margin, b.maxX + margin, b.maxY + margin};
    solid[i] = HasArea(q);
}

bool CBroadPhase::Refresh(size_t i) {
    const Box old = boxes[i];
    const bool wasSolid = solid[i];
    Read(i);
    const Box& box = boxes[i];
    if (wasSolid == solid[i] && old.minX == box.minX && old.minY == box.minY && old.maxX == box.maxX &&
        old.maxY == box.maxY) {
        return false;
    }
    if (solid[i]) {
        // Entries under an old box stay: the overlap test of Candidates reads the current one.
        Add(i);
    }
    return true;
}

void CBroadPhase::Add(size_t i) {
    Cells cells;
    if (!CellsOf(boxes[i], &cells)) {
        if (std::find(wide.begin(), wide.end(), i) == wide.end()) {
            wide.push_back(i);
        }
        return;
    }
    for (int64_t y = cells.y0; y <= cells.y1; ++y) {
        for (int64_t x = cells.x0; x <= cells.x1; ++x) {
            Slot& slot = SlotOf(Key(x, y));
            if (slot.head == -1) {
                ++usedSlots;
            }
            entries.push_back(Entry{i, slot.head});
            slot.head = static_cast<int>(entries.size() - 1);
            if (2 * usedSlots > table.size()) {
                Grow();
            }
        }
    }
}

const std::vector<size_t>& CBroadPhase::Candidates(size_t i, size_t after) {
    found.clear();
    if (!solid[i]) {
        return found;
    }
    ++query;
    const Box& box = boxes[i];
    const auto consider = [&](size_t j) {
        if (j > after && seen[j] != query && solid[j] && Overlap(box, boxes[j])) {
            seen[j] = query;
            found.push_back(j);
        }
    };
    Cells cells;
    if (CellsOf(box, &cells)) {
        for (int64_t y = cells.y0; y <= cells.y1; ++y) {
            for (int64_t x = cells.x0; x <= cells.x1; ++x) {
                for (int e = SlotOf(Key(x, y)).head; e != -1; e = entries[static_cast<size_t>(e)].next) {
                    consider(entries[static_cast<size_t>(e)].sprite);
                }
            }
        }
        std::for_each(wide.begin(), wide.end(), consider);
    } else {
        for (size_t j = after + 1; j < count; ++j) {
            consider(j);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool CBroadPhase::Overlap(const Box& a, const Box& b) {
    return a.minX <= b.maxX && b.minX <= a.maxX && a.minY <= b.maxY && b.minY <= a.maxY;
}

bool CBroadPhase::CellsOf(const Box& box, Cells* cells) const {
    const double x0 = std::floor(box.minX / cellSize);
    const double y0 = std::floor(box.minY / cellSize);
    const double x1 = std::floor(box.maxX / cellSize);
    const double y1 = std::floor(box.maxY / cellSize);
    // Also false for boxes that are not finite or beyond the range of a cell index.
    const double limit = 1e15;
    if (!(std::fabs(x0) < limit && std::fabs(y0) < limit && std::fabs(x1) < limit && std::fabs(y1) < limit) ||
        (x1 - x0 + 1.0) * (y1 - y0 + 1.0) > kMaxCells) {
        return false;
    }
    cells->x0 = static_cast<int64_t>(x0);
    cells->y0 = static_cast<int64_t>(y0);
    cells->x1 = static_cast<int64_t>(x1);
    cells->y1 = static_cast<int64_t>(y1);
    return true;
}

uint64_t CBroadPhase::Key(int64_t x, int64_t y) {
    // Cell indices stay within 2^50, so 32 bits of each tell cells apart in any scene that fits a
    // grid; two cells sharing a key would only add candidates, which the box test drops.
    return (static_cast<uint64_t>(x) << 32) ^ (static_cast<uint64_t>(y) & 0xFFFFFFFFull);
}

CBroadPhase::Slot& CBroadPhase::SlotOf(uint64_t key) {
    const size_t mask = table.size() - 1;
    // Every bit of the key reaches the low bits of the hash (the mixing of MurmurHash3).
    uint64_t h = key ^ (key >> 33);
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    size_t at = static_cast<size_t>(h) & mask;
    while (table[at].head != -1 && table[at].key != key) {
        at = (at + 1) & mask;
    }
    table[at].key = key;
    return table[at];
}

void CBroadPhase::Grow() {
    std::vector<Slot> old = std::move(table);
    table.assign(old.size() * 2, Slot());
    for (const Slot& slot : old) {
        if (slot.head != -1) {
            SlotOf(slot.key).head = slot.head;
        }
    }
}
