#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace orbisel {

namespace detail {
// Large blocks on transparent huge pages: the index touches tens of megabytes
// once, and faulting them in page by page costs more than building it.
void *allocateLarge(size_t bytes);
void freeLarge(void *p, size_t bytes);

template <class T> struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <class U> LargeAllocator(const LargeAllocator<U> &) {}
    T *allocate(size_t n) { return static_cast<T *>(allocateLarge(n * sizeof(T))); }
    void deallocate(T *p, size_t n) { freeLarge(p, n * sizeof(T)); }
    template <class U> bool operator==(const LargeAllocator<U> &) const { return true; }
};
template <class T> using LargeVector = std::vector<T, LargeAllocator<T>>;
} // namespace detail

// A growing GBK text that answers "does the text contain this one?" in time
// linear in the question, with the ASCII letters of both compared without
// case. Equivalent to containsText(toLowerAscii(text), toLowerAscii(needle))
// of web/TextRules.h, except that an empty needle is found in every non-empty
// text. Built as a suffix automaton over the text's characters, so appending
// is amortised linear too. Appended pieces must keep the text ending on a character
// boundary (a piece ending with CRLF always does).
class SubstringIndex {
public:
    // expectedBytes: about how long the text will grow; space is set aside
    // for it up front (the index still grows past it).
    explicit SubstringIndex(size_t expectedBytes = 0);

    void append(std::string_view gbk);
    bool containsIgnoringCase(std::string_view needle) const;
    bool empty() const { return m_size == 0; }

private:
    // Most states have a single outgoing edge: it is kept in the state. Further
    // edges go to a hash table keyed by (state, symbol); the start state, which
    // has edges for most characters, uses a table indexed by symbol instead.
    struct State {
        uint32_t length;
        int32_t link;
        uint32_t target;  // of the inline edge, kNone when the state has no edge
        uint16_t symbol;  // of the inline edge
        uint16_t spilled; // whether further edges are in the hash table
    };
    struct Slot {
        uint32_t state; // 0 when the slot is free (the start state never uses the table)
        uint32_t symbol;
        uint32_t target;
    };
    struct SpilledEdge {
        uint32_t symbol;
        uint32_t next; // next spilled edge of the same state, kNone at the end
    };
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    void extend(uint32_t symbol);
    uint32_t transition(uint32_t state, uint32_t symbol) const; // kNone when absent
    uint32_t *edgeTarget(uint32_t state, uint32_t symbol);      // nullptr when absent
    void addEdge(uint32_t state, uint32_t symbol, uint32_t target);
    void copyEdges(uint32_t from, uint32_t to);
    size_t findSlot(uint32_t state, uint32_t symbol) const;
    void insertSlot(uint32_t state, uint32_t symbol, uint32_t target);
    void growTable();
    bool hasEdgeWithLead(uint32_t state, unsigned char lead) const;

    detail::LargeVector<State> m_states;
    detail::LargeVector<uint32_t> m_rootEdges; // symbol -> target for the start state
    detail::LargeVector<Slot> m_slots;         // open addressing, linear probing
    size_t m_slotShift = 0;                    // 64 - log2(slot count)
    size_t m_usedSlots = 0;
    detail::LargeVector<uint32_t> m_spillHead; // per state, first spilled edge
    detail::LargeVector<SpilledEdge> m_spilledEdges;
    uint32_t m_last = 0;
    size_t m_size = 0;
};

} // namespace orbisel
