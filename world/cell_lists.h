#pragma once
// The storage behind the neighbour grid: for every bucket an insertion-ordered list of
// non-owning item pointers.
//
// Each list is a contiguous array, so a query (hundreds of agents on one point is normal)
// reads it as one run instead of chasing links. Each item (agent or obstacle) has a record
// holding the chain of its memberships (cell and index in that cell's array), so removing
// it vacates its entries directly, never searching a long list, and a visit stamp, so a
// query drops duplicates without searching its result. Memberships and records are reused
// through free lists and arrays keep their capacity: once they have grown to the
// population's size, inserting, removing, moving, querying and visiting allocate nothing.
//
// A visit (visitDistinct) hands each item to a function as the cells are read, in the
// order a query would return them, without writing a result. Each level has its own array
// of stamps (one per record), so a visit's function may itself visit at another level or
// query.
// A dense array names, per cell, its only live item (or none, or several), so queries and
// visits skip empty cells without touching their lists.
//
// Each entry also holds a copy of what a visit's function mostly reads (a Copy: for agents
// their position and radius; NoCopy takes no room), written on every insert and move, and the
// first cell of the item's square. A visit hands the copy with the item, so a neighbour loop
// reads one run per cell and touches an item's own record only when the copy says it is near.
// Its squares also drop duplicates without stamps: an item whose cells form one rectangle is
// visited in the first cell (columns outer, rows inner) where that rectangle meets the visited
// range, decidable from the entry alone. Items whose cells form no rectangle (a removal at a
// stale position leaves holes) fall back to the stamps until they are in no cell again.
// A count reads per cell a tally of its entries by their first cells, and the lists only
// of cells holding items whose cells form no rectangle.
// A screened visit (visitScreened) serves loops that act on few of their candidates: it
// reads four entries' copies and tags at once, lane by lane, through the caller's screen,
// and reads further only the entries passed, so the common "not near enough" costs no
// branch of its own.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace steering {

// An inclusive rectangle of grid cells; empty when first > last on either axis.
struct CellRange {
    uint32_t firstColumn = 1;
    uint32_t lastColumn = 0;
    uint32_t firstRow = 1;
    uint32_t lastRow = 0;
    bool empty() const { return firstColumn > lastColumn || firstRow > lastRow; }
    bool contains(uint32_t column, uint32_t row) const {
        return column >= firstColumn && column <= lastColumn && row >= firstRow && row <= lastRow;
    }
};

// The Copy of items whose visits read nothing of them beside the item itself.
struct NoCopy {};

// Four entries' copies side by side, for the screens of CellLists::visitScreened: the copy
// is three 32-bit words, and lane i of each word's lanes is entry i's.
using CopyLanes = int32_t __attribute__((vector_size(16)));

// Bit i set when lane i is negative (all ones in a screen's result).
inline unsigned laneBits(CopyLanes lanes) {
#if defined(__SSE2__)
    return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(__builtin_bit_cast(__m128i, lanes))));
#else
    return (lanes[0] < 0 ? 1u : 0u) | (lanes[1] < 0 ? 2u : 0u) | (lanes[2] < 0 ? 4u : 0u) | (lanes[3] < 0 ? 8u : 0u);
#endif
}

template <typename T, typename Copy>
class CellLists {
public:
    void reset(uint32_t columns, uint32_t rows) {
        columns_ = columns;
        tagsFit_ = columns < kNoRectangle && rows < kNoRectangle;
        columnShift_ = -1;
        for (int k = 0; k < 32; ++k) {
            if (columns == (1u << k)) columnShift_ = k;
        }
        cells_.clear();
        cells_.resize(static_cast<std::size_t>(columns) * rows);
        cellMarks_.assign(cells_.size(), 0);
        sole_.assign(cells_.size(), kVacant);
        tallies_.assign(cells_.size(), Tally{});
        cellStamp_ = 0;
        memberships_.clear();
        freeMembership_ = kNone;
        records_.assign(1, Record{});  // the vacancy record
        firstCells_.assign(1, kNoFirstCell);
        for (std::vector<uint32_t>& level : stampsOf_) level.assign(1, 0u);
        freeRecord_ = kNone;
        lastStamps_.fill(0);
        slots_.assign(kInitialSlots, kNone);
        recordCount_ = 0;
    }

    bool ready() const { return !cells_.empty(); }

    // The item's record (as insert and move return it; hint as for move), or kNoRecord when
    // the item is in no cell.
    int32_t recordFor(const T* item, int32_t hint) const {
        if (!ready()) return kNoRecord;
        const int32_t record = recordOf(item, hint);
        return record == kNone ? kNoRecord : record;
    }
    // The record's copy, as of its item's last insert or move; false when the record holds
    // no item in any cell.
    bool copyOf(int32_t record, Copy& copy) const {
        if (!validHint(record) || records_[record].firstMembership == kNone) return false;
        const Membership& membership = memberships_[static_cast<std::size_t>(records_[record].firstMembership)];
        copy = cells_[membership.cell].entries[membership.slot].copy;
        return true;
    }
    // Where a visit of any range holding all the record's cells meets its item: for an item
    // whose cells form a rectangle, its first column (bits 48 and up), first row (32-47) and
    // the index of its entry in that cell's list (below 32), so that such items come in the
    // order of their keys; false for other items (their cells form no rectangle).
    bool visitOrder(int32_t record, uint64_t& key) const {
        if (!validHint(record) || !tagsFit_) return false;
        const Record& held = records_[record];
        if (held.cells.empty()) return false;
        const std::size_t cell = cellIndex(held.cells.firstColumn, held.cells.firstRow);
        for (int32_t m = held.firstMembership; m != kNone; m = memberships_[static_cast<std::size_t>(m)].nextOfItem) {
            const Membership& membership = memberships_[static_cast<std::size_t>(m)];
            if (membership.cell != cell) continue;
            key = (static_cast<uint64_t>(held.cells.firstColumn) << 48) | (static_cast<uint64_t>(held.cells.firstRow) << 32) |
                  membership.slot;
            return true;
        }
        return false;
    }

    // Appends the item to every cell of the range whose list does not hold it yet.
    // Every entry of the item (old and new) takes the copy. Returns the item's record
    // (kNoRecord when nothing was inserted), a hint for move and visitDistinct.
    int32_t insert(T* item, const CellRange& range, const Copy& copy) {
        if (!ready() || range.empty()) return kNoRecord;
        const int32_t record = findOrAddRecord(item);
        insertRecord(record, range, copy);
        return record;
    }

    // remove(item, from, true) then insert(item, to, copy), finding the item's record once.
    // hint is the record insert or move last returned for the item (any value will do: it
    // is used only when that record is the item's). Returns the item's record, or kNoRecord.
    int32_t move(T* item, const CellRange& from, const CellRange& to, const Copy& copy, int32_t hint = kNoRecord) {
        if (!ready()) return kNoRecord;
        int32_t record = recordOf(item, hint);
        if (record != kNone && moveWithinCells(record, from, to, copy)) return record;
        if (record != kNone) {
            removeRecord(record, from);
        } else if (to.empty()) {
            return kNoRecord;
        } else {
            record = findOrAddRecord(item);
        }
        if (!to.empty()) insertRecord(record, to, copy);
        return record;
    }

    // What insert and move return when the item has no record.
    static constexpr int32_t kNoRecord = 0;

    // Unlinks the item from the cells of the range that hold it. The record is dropped
    // once the item is in no cell, unless keepRecord (a move re-inserts at once).
    void remove(const T* item, const CellRange& range, bool keepRecord) {
        if (!ready()) return;
        const int32_t record = findRecord(item);
        if (record == kNone) return;
        removeRecord(record, range);
        if (!keepRecord && records_[record].firstMembership == kNone) dropRecord(record);
    }

    // Appends every item of the range's cells that the result does not hold yet: columns
    // outer, rows inner, list order within a cell. Returns the result's size.
    template <typename Pointer>
    std::size_t query(const CellRange& range, std::vector<Pointer>& result) {
        if (!ready() || range.empty()) return result.size();
        const uint32_t stamp = nextStamp(kQueryLevel);
        uint32_t* const stamps = stampsOf_[kQueryLevel].data();
        for (const Pointer held : result) {
            const int32_t record = findRecord(held);
            if (record != kNone) stamps[record] = stamp;
        }
        // Vacated entries name the vacancy record, which counts as already returned.
        stamps[kVacant] = stamp;
        for (uint32_t c = range.firstColumn; c <= range.lastColumn; ++c) {
            for (uint32_t r = range.firstRow; r <= range.lastRow; ++r) {
                const std::size_t cellNumber = cellIndex(c, r);
                if (sole_[cellNumber] == kVacant) continue;
                const std::vector<Entry>& entries = cells_[cellNumber].entries;
                // Every entry is written and only new ones advance the end: no branch on
                // the (unpredictable) duplicate test in a crowded cell.
                const std::size_t base = result.size();
                result.resize(base + entries.size());
                Pointer* out = result.data() + base;
                std::size_t added = 0;
                for (const Entry& entry : entries) {
                    out[added] = entry.item;
                    added += stamps[entry.record] != stamp ? 1 : 0;
                    stamps[entry.record] = stamp;
                }
                result.resize(base + added);
            }
        }
        return result.size();
    }

    // visit(item, copy) for each item of the range's cells, once, in query order, without a
    // result list; skip (may be null) is left out. level (0..kVisitLevels-1) picks the stamps
    // that drop duplicates of items whose cells form no rectangle: a visit's function must
    // not start another visit at the same level, but may visit at another level or query.
    // It must not insert, move or remove items.
    // skipHint is a record hint for skip (as for move): a cell whose only item is skip is
    // passed over without reading its list.
    template <typename Visit>
    void visitDistinct(const CellRange& range, int level, const T* skip, Visit&& visit, int32_t skipHint = kNoRecord) {
        if (!ready() || range.empty()) return;
        const std::size_t slot = static_cast<std::size_t>(level);
        const uint32_t stamp = nextStamp(slot);
        uint32_t* const stamps = stampsOf_[slot].data();
        stamps[kVacant] = stamp;
        // Cells naming this as their only item are skipped like empty ones (kVacant: none).
        const int32_t skipRecord = skip == nullptr ? kVacant : std::max(recordOf(skip, skipHint), kVacant);
        forEachVisitedCell(range, skipRecord, [&](const std::vector<Entry>& entries, uint32_t mask, uint32_t target) {
            for (const Entry& entry : entries) {
                const uint32_t tag = packedTag(entry);
                if (tag == kNoRectangleTag) [[unlikely]] {
                    if (stamps[entry.record] == stamp) continue;
                    stamps[entry.record] = stamp;
                } else if ((tag & mask) != target) {
                    continue;
                }
                if (entry.item == skip) continue;
                visit(entry.item, entry.copy);
            }
        });
    }

    // visitDistinct for a function that acts on some items only, as their copies tell (a Copy
    // of three 32-bit words): screen(word0, word1, word2) takes four entries' copies at once
    // and returns all ones in the lanes of those visit may act on. It must pass every such
    // entry; passing others costs only their visit. (An item's entries carry the same copy,
    // so it is passed in all of its cells or in none.) visit is called for the passed items
    // alone, in query order, each once: four entries are screened and tagged without a
    // branch each, and only the passed ones are read further.
    template <typename Screen, typename Visit>
    void visitScreened(const CellRange& range, int level, const T* skip, Screen&& screen, Visit&& visit,
                       int32_t skipHint = kNoRecord) {
        if (!ready() || range.empty()) return;
        const std::size_t slot = static_cast<std::size_t>(level);
        const uint32_t stamp = nextStamp(slot);
        uint32_t* const stamps = stampsOf_[slot].data();
        stamps[kVacant] = stamp;
        // Vacated entries name kVacant, which no live entry does: no skip matches them (they
        // are dropped by their stamp), and without a registered skip nothing is skipped.
        const int32_t skipRecord = skip == nullptr ? kVacant : std::max(recordOf(skip, skipHint), kVacant);
        forEachVisitedCell(range, skipRecord, [&](const std::vector<Entry>& entries, uint32_t mask, uint32_t target) {
            const std::size_t size = entries.size();
            for (std::size_t k = 0; k < size; k += 4) {
                unsigned passed = k + 4 <= size ? screenedLanes(&entries[k], 4, screen, mask, target)
                                                : screenedLanes(&entries[k], size - k, screen, mask, target);
                while (passed != 0) {
                    const Entry& entry = entries[k + static_cast<std::size_t>(__builtin_ctz(passed))];
                    passed &= passed - 1;
                    if (packedTag(entry) == kNoRectangleTag) [[unlikely]] {
                        if (stamps[entry.record] == stamp) continue;
                        stamps[entry.record] = stamp;
                    }
                    if (entry.record == skipRecord) continue;
                    visit(entry.item, entry.copy);
                }
            }
        });
    }

    // The number of items visitDistinct would visit (without a skipped item), or limit when
    // there are at least that many: the count stops there. A one-cell range is its cell's
    // count.
    std::size_t countDistinct(const CellRange& range, int level, std::size_t limit) {
        if (!ready() || range.empty() || limit == 0) return 0;
        if (range.firstColumn == range.lastColumn && range.firstRow == range.lastRow) {
            const std::size_t cellNumber = cellIndex(range.firstColumn, range.firstRow);
            const int32_t sole = sole_[cellNumber];
            if (sole == kVacant) return 0;
            if (sole != kSeveral) return 1;
            const Tally& tally = tallies_[cellNumber];
            return std::min(static_cast<std::size_t>(tally.framed) + tally.loose, limit);
        }
        const std::size_t levelSlot = static_cast<std::size_t>(level);
        const uint32_t stamp = nextStamp(levelSlot);
        uint32_t* const stamps = stampsOf_[levelSlot].data();
        stamps[kVacant] = stamp;
        std::size_t counted = 0;
        for (uint32_t c = range.firstColumn; c <= range.lastColumn; ++c) {
            const bool firstColumn = c == range.firstColumn;
            for (uint32_t r = range.firstRow; r <= range.lastRow; ++r) {
                const std::size_t cellNumber = cellIndex(c, r);
                const int32_t sole = sole_[cellNumber];
                if (sole == kVacant) continue;
                const bool firstRow = r == range.firstRow;
                if (sole != kSeveral) {
                    if (!firstCellVisit(sole, c, r, firstColumn, firstRow, stamps, stamp)) continue;
                    if (++counted == limit) return counted;
                    continue;
                }
                // Items whose cells form a rectangle are counted from the tally: the ones
                // firstVisit would take here. Only the others' entries are read.
                const Tally& tally = tallies_[cellNumber];
                // The cell's items are distinct: a cell that holds the limit answers at once.
                if (static_cast<std::size_t>(tally.framed) + tally.loose >= limit) return limit;
                counted += firstColumn ? (firstRow ? tally.framed : tally.startingRow)
                                       : (firstRow ? tally.startingColumn : tally.startingBoth);
                if (counted >= limit) return limit;
                if (tally.loose == 0) continue;
                for (const Entry& entry : cells_[cellNumber].entries) {
                    if (entry.firstColumn != kNoRectangle) continue;
                    if (!firstVisit(entry, c, r, firstColumn, firstRow, stamps, stamp)) continue;
                    if (++counted == limit) return counted;
                }
            }
        }
        return counted;
    }

    // Asks for the memory a visit of the range reads first, ahead of it: the cells' sole
    // items and list headers. Only small ranges; nothing is changed. Always inlined: a
    // function doing nothing but prefetches would be dropped as one without effect. With a
    // record hint (as for move), the item's record too.
    [[gnu::always_inline]] void prefetchCells(const CellRange& range, int32_t hint) const {
        if (validHint(hint)) __builtin_prefetch(&records_[static_cast<std::size_t>(hint)]);
        if (!ready() || !smallRange(range)) return;
        for (uint32_t c = range.firstColumn; c <= range.lastColumn; ++c) {
            for (uint32_t r = range.firstRow; r <= range.lastRow; ++r) {
                const std::size_t cellNumber = cellIndex(c, r);
                __builtin_prefetch(&sole_[cellNumber]);
                __builtin_prefetch(&cells_[cellNumber]);
            }
        }
    }
    // f(column, row, item, copy) for every live entry of every cell, row-major (for tests
    // that hold the copies against the items).
    template <typename F>
    void forEachEntry(F&& f) const {
        for (std::size_t n = 0; n < cells_.size(); ++n) {
            for (const Entry& entry : cells_[n].entries) {
                if (entry.record == kVacant) continue;
                f(static_cast<uint32_t>(n % columns_), static_cast<uint32_t>(n / columns_), entry.item, entry.copy);
            }
        }
    }

    int count(uint32_t column, uint32_t row) const {
        if (!ready()) return 0;
        return cells_[cellIndex(column, row)].live;
    }
    // Entries the cell's list stores, vacated ones included (for tests).
    int storedEntries(uint32_t column, uint32_t row) const {
        if (!ready()) return 0;
        return static_cast<int>(cells_[cellIndex(column, row)].entries.size());
    }

    // Items with at least one cell (or a move in progress).
    std::size_t registeredItems() const { return recordCount_; }

    // Stamp levels of visitDistinct; queries have one more of their own.
    static constexpr int kVisitLevels = 4;

private:
    static constexpr std::size_t kQueryLevel = kVisitLevels;

    void insertRecord(int32_t record, const CellRange& range, const Copy& copy) {
        Record& held = records_[record];
        if (held.firstMembership == kNone) {
            // In no cell yet: its cells will be the range, a rectangle.
            setCells(record, tagsFit_ ? range : CellRange{});
            for (uint32_t c = range.firstColumn; c <= range.lastColumn; ++c) {
                for (uint32_t r = range.firstRow; r <= range.lastRow; ++r) append(record, cellIndex(c, r), copy);
            }
            return;
        }
        // Added to cells it is already in: the union is a rectangle when one holds the
        // other, and otherwise counted as none.
        if (!held.cells.empty() && !covers(held.cells, range)) setCells(record, covers(range, held.cells) ? range : CellRange{});
        retag(record, copy);
        // Cells already holding the item are stamped, so the skip test costs one read.
        const uint32_t stamp = nextCellStamp();
        for (int32_t m = records_[record].firstMembership; m != kNone; m = memberships_[m].nextOfItem) {
            cellMarks_[memberships_[m].cell] = stamp;
        }
        for (uint32_t c = range.firstColumn; c <= range.lastColumn; ++c) {
            for (uint32_t r = range.firstRow; r <= range.lastRow; ++r) {
                const std::size_t cell = cellIndex(c, r);
                if (cellMarks_[cell] == stamp) continue;
                append(record, cell, copy);
            }
        }
    }

    static bool covers(const CellRange& outer, const CellRange& inner) {
        return outer.firstColumn <= inner.firstColumn && outer.lastColumn >= inner.lastColumn &&
               outer.firstRow <= inner.firstRow && outer.lastRow >= inner.lastRow;
    }

    static bool sameCells(const CellRange& a, const CellRange& b) {
        return a.firstColumn == b.firstColumn && a.lastColumn == b.lastColumn && a.firstRow == b.firstRow &&
               a.lastRow == b.lastRow;
    }

    // A move from a range to the same range that is exactly the item's cells (an agent that
    // stayed in its cells, the common step): the item's entry takes the copy and goes to the
    // end of each of those lists in place, its membership kept, which is what removing and
    // inserting it again leaves a query or visit to see. In a short list the entries behind it
    // move up (rotateToEnd); a long one keeps a vacated entry. False (nothing done) otherwise.
    bool moveWithinCells(int32_t record, const CellRange& from, const CellRange& to, const Copy& copy) {
        const CellRange& cells = records_[record].cells;
        if (cells.empty() || !sameCells(cells, from) || !sameCells(from, to)) return false;
        for (int32_t m = records_[record].firstMembership; m != kNone; m = memberships_[m].nextOfItem) {
            Membership& membership = memberships_[m];
            Cell& cell = cells_[membership.cell];
            const std::size_t slot = membership.slot;
            Entry entry = cell.entries[slot];
            entry.copy = copy;
            if (slot + 1 == cell.entries.size()) {  // already last: only the copy changes
                cell.entries[slot] = entry;
                continue;
            }
            if (rotateToEnd(cell, slot, entry)) {
                membership.slot = static_cast<uint32_t>(cell.entries.size() - 1);
                continue;
            }
            cell.entries[slot] = Entry{};
            ++cell.vacant;
            cell.entries.push_back(entry);
            membership.slot = static_cast<uint32_t>(cell.entries.size() - 1);
            if (cell.vacant * 2 > cell.live + kVacancySlack) compact(cell);
        }
        return true;
    }

    void removeRecord(int32_t record, const CellRange& range) {
        int32_t previous = kNone;
        int32_t m = records_[record].firstMembership;
        bool removed = false;
        while (m != kNone) {
            const int32_t following = memberships_[m].nextOfItem;
            const uint32_t cell = memberships_[m].cell;
            if (inRange(cell, range)) {
                if (previous == kNone) {
                    records_[record].firstMembership = following;
                } else {
                    memberships_[previous].nextOfItem = following;
                }
                vacate(m);
                removed = true;
            } else {
                previous = m;
            }
            m = following;
        }
        Record& held = records_[record];
        if (held.firstMembership == kNone) {
            setCells(record, CellRange{});
        } else if (removed && !held.cells.empty()) {
            // Part of its cells left: counted as no rectangle until it is in no cell again.
            setCells(record, CellRange{});
            for (int32_t k = held.firstMembership; k != kNone; k = memberships_[k].nextOfItem) {
                const uint32_t cellNumber = memberships_[k].cell;
                Entry& entry = cells_[cellNumber].entries[memberships_[k].slot];
                tallyEntry(cellNumber, entry, -1);
                entry.firstColumn = entry.firstRow = kNoRectangle;
                tallyEntry(cellNumber, entry, 1);
            }
        }
    }

    // prefetchCells: ranges of at most this many cells.
    static constexpr uint32_t kPrefetchCells = 9;
    static bool smallRange(const CellRange& range) {
        if (range.empty()) return false;
        const uint64_t cells = uint64_t{range.lastColumn - range.firstColumn + 1} * (range.lastRow - range.firstRow + 1);
        return cells <= kPrefetchCells;
    }

    static constexpr int32_t kNone = -1;
    static constexpr int32_t kVacant = 0;  // record 0 stands for a vacated entry (and an empty cell)
    static constexpr int32_t kSeveral = -1;  // sole_: the cell holds more than one item
    // Slots of the item table at start; it doubles whenever it would be more than half full.
    static constexpr std::size_t kInitialSlots = 64;
    // Vacated entries a cell tolerates beyond half its live ones before it is compacted:
    // scans stay short and compaction stays rare (amortised constant per removal).
    static constexpr int32_t kVacancySlack = 8;
    // Entries after a removed one that closeGap moves down rather than leave a vacated
    // entry: each costs a copy and a membership's write, bounded here.
    static constexpr std::size_t kShiftLimit = 8;
    // Entries' first column and row when the item's cells form no rectangle; a grid with a
    // side this long or longer keeps no rectangles (every item goes by the stamps).
    static constexpr uint16_t kNoRectangle = 0xFFFF;
    static constexpr uint32_t kNoFirstCell = 0xFFFFFFFFu;
    // An entry's first column and row as packed by packedTag when it has no rectangle.
    static constexpr uint32_t kNoRectangleTag = 0xFFFFFFFFu;
    // Entries a visit sorts out before it hands them on (a run of pointers on the stack).
    static constexpr std::ptrdiff_t kVisitRun = 32;

    // A cell's list is an array in insertion order; a removal vacates its entry in place
    // (found through the item's membership, no search) and vacated entries are squeezed
    // out now and then, so a query reads each cell as one contiguous run.
    struct Entry {
        T* item = nullptr;           // the record's item, kept here so a scan need not read the record
        int32_t record = kVacant;
        int32_t membership = kNone;  // the item's membership naming this entry
        [[no_unique_address]] Copy copy{};  // as of the item's last insert or move (NoCopy: no room)
        // The first column and row of the item's cells when they form a rectangle, else
        // kNoRectangle (also in vacated entries).
        uint16_t firstColumn = kNoRectangle;
        uint16_t firstRow = kNoRectangle;
    };
    struct Cell {
        std::vector<Entry> entries;
        int32_t live = 0;     // entries naming an item: the list's element count
        int32_t vacant = 0;   // vacated entries still in the array
    };
    // Per cell, its live entries by what their first column and row say, so a count reads
    // no list: items whose cells form a rectangle (framed), those of them whose rectangle
    // starts on this cell's column, on its row, on both (this is their first cell), and
    // items whose cells form no rectangle (loose).
    struct Tally {
        uint32_t framed = 0;
        uint32_t startingColumn = 0;
        uint32_t startingRow = 0;
        uint32_t startingBoth = 0;
        uint32_t loose = 0;
    };
    struct Membership {
        uint32_t cell = 0;
        uint32_t slot = 0;           // index of the entry in the cell's array
        int32_t nextOfItem = kNone;  // the item's next membership, or the free list
    };
    struct Record {
        T* item = nullptr;
        int32_t firstMembership = kNone;  // chain of the item's cells; next free record when unused
        CellRange cells;                  // the item's cells when they form a rectangle, else empty
    };

    // Whether an entry met in cell (column, row) of a visited range is its item's first
    // there. An item whose cells form a rectangle is first met where that rectangle's first
    // column and row and the range's meet: the later of the two first columns, and of the
    // two first rows. The entry lies in the cell, so each is this cell's exactly when the
    // cell is on the item's first column (row) or the range's. Others, and vacated
    // entries (whose record's stamp is already the visit's), go by the stamps.
    static bool firstVisit(const Entry& entry, uint32_t column, uint32_t row, bool rangeFirstColumn, bool rangeFirstRow,
                           uint32_t* stamps, uint32_t stamp) {
        if (entry.firstColumn != kNoRectangle) {
            return (rangeFirstColumn || entry.firstColumn == column) && (rangeFirstRow || entry.firstRow == row);
        }
        if (stamps[entry.record] == stamp) return false;
        stamps[entry.record] = stamp;
        return true;
    }

    // For visitScreened: bit i set when entry i of the n (1..4) at four is passed by the
    // screen and is first met in this cell by its packed tag (mask and target as in
    // visitDistinct) or has no rectangle (its stamp decides). An entry's copy and packed tag
    // are its last four words, read as one lane each.
    // f(entries, mask, target) for every cell of the range holding an item other than the
    // skipped record alone, columns outer and rows inner. An entry with a rectangle is first
    // met in that cell when (its packed tag & mask) == target: its first column is the cell's
    // (unless the cell is on the range's first column) and likewise its first row.
    template <typename F>
    [[gnu::always_inline]] void forEachVisitedCell(const CellRange& range, int32_t skipRecord, F&& f) const {
        for (uint32_t c = range.firstColumn; c <= range.lastColumn; ++c) {
            const uint32_t columnMask = c == range.firstColumn ? 0u : 0xFFFFu;
            for (uint32_t r = range.firstRow; r <= range.lastRow; ++r) {
                const std::size_t cellNumber = cellIndex(c, r);
                const int32_t sole = sole_[cellNumber];
                if (sole == kVacant || sole == skipRecord) continue;
                const uint32_t mask = columnMask | (r == range.firstRow ? 0u : 0xFFFF0000u);
                f(cells_[cellNumber].entries, mask, (c | (r << 16)) & mask);
            }
        }
    }

    template <typename Screen>
    [[gnu::always_inline]] static unsigned screenedLanes(const Entry* four, std::size_t n, Screen& screen, uint32_t mask,
                                                         uint32_t target) {
        static_assert(sizeof(Copy) == 12 && alignof(Copy) == 4, "a screened copy is three 32-bit words");
        static_assert(offsetof(Entry, firstColumn) == offsetof(Entry, copy) + 12 &&
                          offsetof(Entry, firstRow) == offsetof(Entry, copy) + 14,
                      "the packed tag follows the copy");
        static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the packed tag's low half is the first column");
        CopyLanes e[4] = {};
        for (std::size_t i = 0; i < n; ++i) {
            std::memcpy(&e[i], reinterpret_cast<const char*>(&four[i]) + offsetof(Entry, copy), sizeof(CopyLanes));
        }
        // Four entries' rows of words to four words' lanes.
        const CopyLanes low01 = __builtin_shufflevector(e[0], e[1], 0, 4, 1, 5);
        const CopyLanes low23 = __builtin_shufflevector(e[2], e[3], 0, 4, 1, 5);
        const CopyLanes high01 = __builtin_shufflevector(e[0], e[1], 2, 6, 3, 7);
        const CopyLanes high23 = __builtin_shufflevector(e[2], e[3], 2, 6, 3, 7);
        const CopyLanes word0 = __builtin_shufflevector(low01, low23, 0, 1, 4, 5);
        const CopyLanes word1 = __builtin_shufflevector(low01, low23, 2, 3, 6, 7);
        const CopyLanes word2 = __builtin_shufflevector(high01, high23, 0, 1, 4, 5);
        const CopyLanes tags = __builtin_shufflevector(high01, high23, 2, 3, 6, 7);
        const CopyLanes maskLanes = CopyLanes{} + static_cast<int32_t>(mask);
        const CopyLanes targetLanes = CopyLanes{} + static_cast<int32_t>(target);
        const CopyLanes firstHere = ((tags ^ targetLanes) & maskLanes) == 0;
        const CopyLanes loose = tags == static_cast<int32_t>(kNoRectangleTag);
        const CopyLanes passed = screen(word0, word1, word2) & (firstHere | loose);
        return laneBits(passed) & ((1u << n) - 1u);
    }

    // The entry's first column (low half) and row (high half).
    static uint32_t packedTag(const Entry& entry) {
        return static_cast<uint32_t>(entry.firstColumn) | (static_cast<uint32_t>(entry.firstRow) << 16);
    }

    // The first column and row an entry of the record carries: its rectangle's, or none.
    void tagOf(const Record& record, uint16_t& column, uint16_t& row) const {
        if (record.cells.empty()) {
            column = row = kNoRectangle;
        } else {
            column = static_cast<uint16_t>(record.cells.firstColumn);
            row = static_cast<uint16_t>(record.cells.firstRow);
        }
    }

    // firstVisit for a record met alone in its cell, from the dense first cells.
    bool firstCellVisit(int32_t record, uint32_t column, uint32_t row, bool rangeFirstColumn, bool rangeFirstRow,
                        uint32_t* stamps, uint32_t stamp) const {
        const uint32_t first = firstCells_[static_cast<std::size_t>(record)];
        if (first != kNoFirstCell) {
            return (rangeFirstColumn || (first >> 16) == column) && (rangeFirstRow || (first & 0xFFFFu) == row);
        }
        if (stamps[record] == stamp) return false;
        stamps[record] = stamp;
        return true;
    }

    // Adds delta (+1 or -1) to the tally of the live entry's cell for what the entry's first
    // column and row say of it.
    void tallyEntry(uint32_t cellNumber, const Entry& entry, int32_t delta) {
        Tally& tally = tallies_[cellNumber];
        if (entry.firstColumn == kNoRectangle) {
            tally.loose += static_cast<uint32_t>(delta);
            return;
        }
        uint32_t column, row;
        if (columnShift_ >= 0) {
            column = cellNumber & (columns_ - 1);
            row = cellNumber >> columnShift_;
        } else {
            column = cellNumber % columns_;
            row = cellNumber / columns_;
        }
        const bool startsColumn = entry.firstColumn == column;
        const bool startsRow = entry.firstRow == row;
        tally.framed += static_cast<uint32_t>(delta);
        tally.startingColumn += startsColumn ? static_cast<uint32_t>(delta) : 0u;
        tally.startingRow += startsRow ? static_cast<uint32_t>(delta) : 0u;
        tally.startingBoth += startsColumn && startsRow ? static_cast<uint32_t>(delta) : 0u;
    }

    // The record's cells (a rectangle, or empty for none) and its dense first cell.
    void setCells(int32_t record, const CellRange& cells) {
        records_[record].cells = cells;
        firstCells_[static_cast<std::size_t>(record)] =
            cells.empty() ? kNoFirstCell : (cells.firstColumn << 16) | cells.firstRow;
    }

    // Writes the copy, and the record's first column and row, into every entry of the record.
    void retag(int32_t record, const Copy& copy) {
        uint16_t column, row;
        tagOf(records_[record], column, row);
        for (int32_t m = records_[record].firstMembership; m != kNone; m = memberships_[m].nextOfItem) {
            const uint32_t cellNumber = memberships_[m].cell;
            Entry& entry = cells_[cellNumber].entries[memberships_[m].slot];
            entry.copy = copy;
            tallyEntry(cellNumber, entry, -1);
            entry.firstColumn = column;
            entry.firstRow = row;
            tallyEntry(cellNumber, entry, 1);
        }
    }

    // Whether a cell (row-major index) lies in the range; shifts for a power-of-two width.
    bool inRange(uint32_t cell, const CellRange& range) const {
        if (columnShift_ >= 0) return range.contains(cell & (columns_ - 1), cell >> columnShift_);
        return range.contains(cell % columns_, cell / columns_);
    }

    std::size_t cellIndex(uint32_t column, uint32_t row) const {
        return static_cast<std::size_t>(row) * columns_ + column;
    }

    uint32_t nextCellStamp() {
        if (++cellStamp_ == 0) {
            std::fill(cellMarks_.begin(), cellMarks_.end(), 0u);
            cellStamp_ = 1;
        }
        return cellStamp_;
    }
    uint32_t nextStamp(std::size_t level) {
        if (++lastStamps_[level] == 0) {
            std::fill(stampsOf_[level].begin(), stampsOf_[level].end(), 0u);
            lastStamps_[level] = 1;
        }
        return lastStamps_[level];
    }

    void append(int32_t record, std::size_t cellNumber, const Copy& copy) {
        int32_t m;
        if (freeMembership_ != kNone) {
            m = freeMembership_;
            freeMembership_ = memberships_[m].nextOfItem;
        } else {
            m = static_cast<int32_t>(memberships_.size());
            memberships_.push_back(Membership{});
        }
        Cell& cell = cells_[cellNumber];
        Entry entry{records_[record].item, record, m, copy};
        tagOf(records_[record], entry.firstColumn, entry.firstRow);
        cell.entries.push_back(entry);
        tallyEntry(static_cast<uint32_t>(cellNumber), entry, 1);
        ++cell.live;
        sole_[cellNumber] = cell.live == 1 ? record : kSeveral;
        Membership& membership = memberships_[m];
        membership.cell = static_cast<uint32_t>(cellNumber);
        membership.slot = static_cast<uint32_t>(cell.entries.size() - 1);
        membership.nextOfItem = records_[record].firstMembership;
        records_[record].firstMembership = m;
    }

    // Takes the entry at slot out of a list with at most kShiftLimit entries after it: they
    // move one place down (their memberships follow) and keep their order, so the list holds
    // no vacated entry for scans to step over. False (nothing done) for a longer tail.
    bool closeGap(Cell& cell, std::size_t slot) {
        const std::size_t size = cell.entries.size();
        if (size - 1 - slot > kShiftLimit) return false;
        for (std::size_t k = slot; k + 1 < size; ++k) {
            const Entry& moved = cell.entries[k + 1];
            if (moved.record != kVacant) memberships_[moved.membership].slot = static_cast<uint32_t>(k);
            cell.entries[k] = moved;
        }
        cell.entries.pop_back();
        return true;
    }

    // closeGap, then entry appended, in one pass over the same array: the list keeps its
    // size, so nothing is freed or grown. False (nothing done) for a tail past kShiftLimit.
    bool rotateToEnd(Cell& cell, std::size_t slot, const Entry& entry) {
        const std::size_t last = cell.entries.size() - 1;
        if (last - slot > kShiftLimit) return false;
        Entry* const entries = cell.entries.data();
        for (std::size_t k = slot; k < last; ++k) {
            const Entry& behind = entries[k + 1];
            if (behind.record != kVacant) memberships_[behind.membership].slot = static_cast<uint32_t>(k);
            entries[k] = behind;
        }
        entries[last] = entry;
        return true;
    }

    // Takes out (closeGap) or vacates the membership's entry and frees the membership
    // (already off its item's chain).
    void vacate(int32_t m) {
        const uint32_t cellNumber = memberships_[m].cell;
        Cell& cell = cells_[cellNumber];
        const std::size_t slot = memberships_[m].slot;
        tallyEntry(cellNumber, cell.entries[slot], -1);
        --cell.live;
        if (!closeGap(cell, slot)) {
            cell.entries[slot] = Entry{};
            ++cell.vacant;
        }
        memberships_[m] = Membership{};
        memberships_[m].nextOfItem = freeMembership_;
        freeMembership_ = m;
        // Vacated entries at the end simply go.
        while (!cell.entries.empty() && cell.entries.back().record == kVacant) {
            cell.entries.pop_back();
            --cell.vacant;
        }
        if (cell.vacant * 2 > cell.live + kVacancySlack) compact(cell);
        if (cell.live == 0) {
            sole_[cellNumber] = kVacant;
        } else if (cell.live == 1) {
            for (const Entry& entry : cell.entries) {
                if (entry.record != kVacant) sole_[cellNumber] = entry.record;
            }
        }
    }

    void compact(Cell& cell) {
        std::size_t kept = 0;
        for (const Entry& entry : cell.entries) {
            if (entry.record == kVacant) continue;
            memberships_[entry.membership].slot = static_cast<uint32_t>(kept);
            cell.entries[kept++] = entry;
        }
        cell.entries.resize(kept);
        cell.vacant = 0;
    }

    // ---- item table: open addressing with linear probing, item pointer -> record ----
    static std::size_t hashOf(const void* item) {
        uint64_t key = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(item));
        key ^= key >> 33;
        key *= 0xff51afd7ed558ccdull;
        key ^= key >> 33;
        return static_cast<std::size_t>(key);
    }

    // Whether a hint names a record (of some item: recordOf checks whose).
    bool validHint(int32_t hint) const { return hint > kVacant && static_cast<std::size_t>(hint) < records_.size(); }

    // The item's record: the hint when it is the item's, else the table's answer.
    int32_t recordOf(const void* item, int32_t hint) const {
        if (validHint(hint) && records_[hint].item == item) return hint;
        return findRecord(item);
    }

    int32_t findRecord(const void* item) const {
        if (slots_.empty()) return kNone;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t s = hashOf(item) & mask;; s = (s + 1) & mask) {
            const int32_t record = slots_[s];
            if (record == kNone) return kNone;
            if (records_[record].item == item) return record;
        }
    }

    int32_t findOrAddRecord(T* item) {
        const int32_t found = findRecord(item);
        if (found != kNone) return found;
        if ((recordCount_ + 1) * 2 > slots_.size()) growSlots();
        int32_t record;
        if (freeRecord_ != kNone) {
            record = freeRecord_;
            freeRecord_ = records_[record].firstMembership;
        } else {
            record = static_cast<int32_t>(records_.size());
            records_.push_back(Record{});
            firstCells_.push_back(kNoFirstCell);
            for (std::vector<uint32_t>& level : stampsOf_) level.push_back(0u);
        }
        records_[record] = Record{item, kNone, CellRange{}};
        firstCells_[static_cast<std::size_t>(record)] = kNoFirstCell;
        for (std::vector<uint32_t>& level : stampsOf_) level[static_cast<std::size_t>(record)] = 0u;
        placeInSlots(record);
        ++recordCount_;
        return record;
    }

    void placeInSlots(int32_t record) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t s = hashOf(records_[record].item) & mask;
        while (slots_[s] != kNone) s = (s + 1) & mask;
        slots_[s] = record;
    }

    void growSlots() {
        std::vector<int32_t> old;
        old.swap(slots_);
        slots_.assign(old.empty() ? kInitialSlots : old.size() * 2, kNone);
        for (const int32_t record : old) {
            if (record != kNone) placeInSlots(record);
        }
    }

    // Removes the record's slot with backward-shift deletion, so probes never need
    // tombstones, and puts the record on the free list.
    void dropRecord(int32_t record) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t hole = hashOf(records_[record].item) & mask;
        while (slots_[hole] != record) hole = (hole + 1) & mask;
        std::size_t s = (hole + 1) & mask;
        while (slots_[s] != kNone) {
            const std::size_t home = hashOf(records_[slots_[s]].item) & mask;
            // The entry may fill the hole when its home does not lie cyclically in (hole, s].
            const bool homeBetween = hole <= s ? (home > hole && home <= s) : (home > hole || home <= s);
            if (!homeBetween) {
                slots_[hole] = slots_[s];
                hole = s;
            }
            s = (s + 1) & mask;
        }
        slots_[hole] = kNone;
        records_[record] = Record{};
        records_[record].firstMembership = freeRecord_;
        freeRecord_ = record;
        --recordCount_;
    }

    uint32_t columns_ = 0;
    bool tagsFit_ = false;                 // cell numbers fit the entries' 16-bit first column and row
    int columnShift_ = -1;                 // log2 of columns_ when a power of two, else -1
    std::vector<Cell> cells_;              // columns x rows lists, row-major
    std::vector<uint32_t> cellMarks_;      // per cell: insertion that last stamped it
    std::vector<int32_t> sole_;            // per cell: its only live record, kVacant or kSeveral
    std::vector<Tally> tallies_;           // per cell: its live entries by their first cells
    uint32_t cellStamp_ = 0;
    std::vector<Membership> memberships_;
    int32_t freeMembership_ = kNone;
    std::vector<Record> records_;
    // Per record, the first column (high half) and row of its cells' rectangle, or
    // kNoFirstCell: a count answers a one-item cell from here without reading its list.
    std::vector<uint32_t> firstCells_;
    int32_t freeRecord_ = kNone;
    // Per level (visits 0..kVisitLevels-1, then queries): for each record, the visit or
    // query that last returned its item, and the level's last stamp.
    std::array<std::vector<uint32_t>, kVisitLevels + 1> stampsOf_;
    std::array<uint32_t, kVisitLevels + 1> lastStamps_{};
    std::vector<int32_t> slots_;           // power-of-two table of record indices
    std::size_t recordCount_ = 0;
};

}  // namespace steering
