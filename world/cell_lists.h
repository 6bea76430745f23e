#pragma once
// The storage behind the neighbour grid: for every bucket an insertion-ordered, doubly
// linked list of non-owning item pointers, kept in one node pool.
//
// Each item (agent or obstacle) has a record holding the chain of its own nodes, so
// removing it visits only the cells it is in, never a long cell list, and a visit stamp,
// so a query drops duplicates without searching its result. Nodes and records are reused
// through free lists: once the pools have grown to the population's size, inserting,
// removing, moving and querying allocate nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

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

template <typename T>
class CellLists {
public:
    void reset(uint32_t columns, uint32_t rows) {
        columns_ = columns;
        cells_.assign(static_cast<std::size_t>(columns) * rows, Cell{});
        cellMarks_.assign(cells_.size(), 0);
        cellStamp_ = 0;
        nodes_.clear();
        freeNode_ = kNone;
        records_.clear();
        freeRecord_ = kNone;
        queryStamp_ = 0;
        slots_.assign(kInitialSlots, kNone);
        recordCount_ = 0;
    }

    bool ready() const { return !cells_.empty(); }

    // Appends the item to every cell of the range whose list does not hold it yet.
    void insert(T* item, const CellRange& range) {
        if (!ready() || range.empty()) return;
        const int32_t record = findOrAddRecord(item);
        // Cells already holding the item are stamped, so the skip test costs one read.
        const uint32_t stamp = nextCellStamp();
        for (int32_t n = records_[record].firstNode; n != kNone; n = nodes_[n].nextOfItem) {
            cellMarks_[nodes_[n].cell] = stamp;
        }
        for (uint32_t c = range.firstColumn; c <= range.lastColumn; ++c) {
            for (uint32_t r = range.firstRow; r <= range.lastRow; ++r) {
                const std::size_t cell = cellIndex(c, r);
                if (cellMarks_[cell] == stamp) continue;
                append(record, item, cell);
            }
        }
    }

    // Unlinks the item from the cells of the range that hold it. The record is dropped
    // once the item is in no cell, unless keepRecord (a move re-inserts at once).
    void remove(const T* item, const CellRange& range, bool keepRecord) {
        if (!ready()) return;
        const int32_t record = findRecord(item);
        if (record == kNone) return;
        int32_t previous = kNone;
        int32_t n = records_[record].firstNode;
        while (n != kNone) {
            const int32_t following = nodes_[n].nextOfItem;
            const std::size_t cell = nodes_[n].cell;
            if (range.contains(static_cast<uint32_t>(cell % columns_), static_cast<uint32_t>(cell / columns_))) {
                unlinkFromCell(n);
                if (previous == kNone) {
                    records_[record].firstNode = following;
                } else {
                    nodes_[previous].nextOfItem = following;
                }
                releaseNode(n);
            } else {
                previous = n;
            }
            n = following;
        }
        if (!keepRecord && records_[record].firstNode == kNone) dropRecord(record);
    }

    // Appends every item of the range's cells that the result does not hold yet: columns
    // outer, rows inner, list order within a cell. Returns the result's size.
    template <typename Pointer>
    std::size_t query(const CellRange& range, std::vector<Pointer>& result) {
        if (!ready() || range.empty()) return result.size();
        const uint32_t stamp = nextQueryStamp();
        for (const Pointer held : result) {
            const int32_t record = findRecord(held);
            if (record != kNone) records_[record].stamp = stamp;
        }
        for (uint32_t c = range.firstColumn; c <= range.lastColumn; ++c) {
            for (uint32_t r = range.firstRow; r <= range.lastRow; ++r) {
                for (int32_t n = cells_[cellIndex(c, r)].head; n != kNone; n = nodes_[n].next) {
                    Record& owner = records_[nodes_[n].record];
                    if (owner.stamp == stamp) continue;
                    owner.stamp = stamp;
                    result.push_back(nodes_[n].item);
                }
            }
        }
        return result.size();
    }

    int count(uint32_t column, uint32_t row) const {
        if (!ready()) return 0;
        return cells_[cellIndex(column, row)].count;
    }

    // The items of one cell in list order (tests and diagnostics).
    std::vector<T*> itemsOf(uint32_t column, uint32_t row) const {
        std::vector<T*> items;
        if (!ready()) return items;
        for (int32_t n = cells_[cellIndex(column, row)].head; n != kNone; n = nodes_[n].next) {
            items.push_back(nodes_[n].item);
        }
        return items;
    }

    std::size_t registeredItems() const { return recordCount_; }

private:
    static constexpr int32_t kNone = -1;
    // Slots of the item table at start; it doubles whenever it would be more than half full.
    static constexpr std::size_t kInitialSlots = 64;

    struct Cell {
        int32_t head = kNone;
        int32_t tail = kNone;
        int32_t count = 0;  // entries in the list
    };
    struct Node {
        T* item = nullptr;
        int32_t record = kNone;
        uint32_t cell = 0;
        int32_t prev = kNone;        // neighbours in the cell's list
        int32_t next = kNone;
        int32_t nextOfItem = kNone;  // the item's next node (another cell), or the free list
    };
    struct Record {
        const T* item = nullptr;
        int32_t firstNode = kNone;  // chain of the item's nodes; next free record when unused
        uint32_t stamp = 0;         // query that last returned the item
    };

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
    uint32_t nextQueryStamp() {
        if (++queryStamp_ == 0) {
            for (Record& record : records_) record.stamp = 0;
            queryStamp_ = 1;
        }
        return queryStamp_;
    }

    void append(int32_t record, T* item, std::size_t cell) {
        int32_t n;
        if (freeNode_ != kNone) {
            n = freeNode_;
            freeNode_ = nodes_[n].nextOfItem;
        } else {
            n = static_cast<int32_t>(nodes_.size());
            nodes_.push_back(Node{});
        }
        Cell& list = cells_[cell];
        Node& node = nodes_[n];
        node.item = item;
        node.record = record;
        node.cell = static_cast<uint32_t>(cell);
        node.prev = list.tail;
        node.next = kNone;
        node.nextOfItem = records_[record].firstNode;
        records_[record].firstNode = n;
        if (list.tail == kNone) {
            list.head = n;
        } else {
            nodes_[list.tail].next = n;
        }
        list.tail = n;
        ++list.count;
    }

    void unlinkFromCell(int32_t n) {
        Node& node = nodes_[n];
        Cell& list = cells_[node.cell];
        if (node.prev == kNone) {
            list.head = node.next;
        } else {
            nodes_[node.prev].next = node.next;
        }
        if (node.next == kNone) {
            list.tail = node.prev;
        } else {
            nodes_[node.next].prev = node.prev;
        }
        --list.count;
    }

    void releaseNode(int32_t n) {
        nodes_[n] = Node{};
        nodes_[n].nextOfItem = freeNode_;
        freeNode_ = n;
    }

    // ---- item table: open addressing with linear probing, item pointer -> record ----
    static std::size_t hashOf(const void* item) {
        uint64_t key = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(item));
        key ^= key >> 33;
        key *= 0xff51afd7ed558ccdull;
        key ^= key >> 33;
        return static_cast<std::size_t>(key);
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
            freeRecord_ = records_[record].firstNode;
        } else {
            record = static_cast<int32_t>(records_.size());
            records_.push_back(Record{});
        }
        records_[record] = Record{item, kNone, 0};
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
        records_[record].firstNode = freeRecord_;
        freeRecord_ = record;
        --recordCount_;
    }

    uint32_t columns_ = 0;
    std::vector<Cell> cells_;            // columns x rows lists, row-major
    std::vector<uint32_t> cellMarks_;    // per cell: insertion that last stamped it
    uint32_t cellStamp_ = 0;
    std::vector<Node> nodes_;
    int32_t freeNode_ = kNone;
    std::vector<Record> records_;
    int32_t freeRecord_ = kNone;
    uint32_t queryStamp_ = 0;
    std::vector<int32_t> slots_;         // power-of-two table of record indices
    std::size_t recordCount_ = 0;
};

}  // namespace steering
