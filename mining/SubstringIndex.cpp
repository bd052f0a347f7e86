#include "mining/SubstringIndex.h"

#include "web/TextRules.h"

#include <bit>
#include <cstdlib>
#include <new>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace orbisel {

namespace detail {

namespace {
constexpr size_t kHugePage = size_t{2} << 20;
}

void *allocateLarge(size_t bytes) {
    if (bytes < kHugePage)
        return ::operator new(bytes);
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void *p = std::aligned_alloc(kHugePage, rounded);
    if (!p)
        throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    madvise(p, rounded, MADV_HUGEPAGE); // a hint: large pages make the first touch cheaper
#endif
    return p;
}

void freeLarge(void *p, size_t bytes) {
    if (bytes < kHugePage)
        ::operator delete(p);
    else
        std::free(p);
}

} // namespace detail

namespace {

constexpr size_t kSymbolCount = 0x10000;
constexpr size_t kMinSlots = 1024;
constexpr unsigned kWindowLog = 14; // a state's edges lie within 2^14 slots

// One character as a symbol: a single byte (ASCII letters lowered) or, for a
// double-byte character, its two bytes (always above 0x80FF).
uint32_t symbolAt(const unsigned char *s, size_t i, size_t n, size_t &length) {
    const unsigned char b = s[i];
    if (isGbkLeadByte(b) && i + 1 < n) {
        length = 2;
        return (uint32_t{b} << 8) | s[i + 1];
    }
    length = 1;
    return (b >= 'A' && b <= 'Z') ? b - 'A' + 'a' : b;
}

} // namespace

SubstringIndex::SubstringIndex(size_t expectedBytes) {
    // A suffix automaton has fewer than two states per symbol; about one in
    // three of its edges is not a state's first.
    m_states.reserve(2 * expectedBytes + 2);
    m_spillHead.reserve(2 * expectedBytes + 2);
    m_spilledEdges.reserve(expectedBytes / 2);
    m_states.push_back({0, -1, kNone, 0, 0});
    m_spillHead.push_back(kNone);
    m_rootEdges.assign(kSymbolCount, kNone);
    const size_t slots = std::bit_ceil(std::max(kMinSlots, expectedBytes / 2));
    m_slots.assign(slots, Slot{0, 0, 0});
    m_slotShift = 64 - static_cast<size_t>(std::countr_zero(slots));
}

size_t SubstringIndex::findSlot(uint32_t state, uint32_t symbol) const {
    const size_t mask = m_slots.size() - 1;
    // A state's edges fall into one window of the table, which keeps the
    // edges of a busy state close together in memory.
    const size_t window = (uint32_t{symbol} * 0x9E3779B1u) >> (32 - kWindowLog);
    size_t slot =
        (static_cast<size_t>((uint64_t{state} * 0x9E3779B97F4A7C15ull) >> m_slotShift) + window) & mask;
    while (m_slots[slot].state != 0 && (m_slots[slot].state != state || m_slots[slot].symbol != symbol))
        slot = (slot + 1) & mask;
    return slot;
}

void SubstringIndex::growTable() {
    detail::LargeVector<Slot> old(m_slots.size() * 2, Slot{0, 0, 0});
    std::swap(old, m_slots);
    --m_slotShift;
    for (const Slot &slot : old)
        if (slot.state != 0)
            m_slots[findSlot(slot.state, slot.symbol)] = slot;
}

void SubstringIndex::insertSlot(uint32_t state, uint32_t symbol, uint32_t target) {
    if ((m_usedSlots + 1) * 2 > m_slots.size())
        growTable();
    m_slots[findSlot(state, symbol)] = {state, symbol, target};
    ++m_usedSlots;
}

uint32_t SubstringIndex::transition(uint32_t state, uint32_t symbol) const {
    if (state == 0)
        return m_rootEdges[symbol];
    const State &s = m_states[state];
    if (s.target != kNone && s.symbol == symbol)
        return s.target;
    if (!s.spilled)
        return kNone;
    const Slot &slot = m_slots[findSlot(state, symbol)];
    return slot.state != 0 ? slot.target : kNone;
}

uint32_t *SubstringIndex::edgeTarget(uint32_t state, uint32_t symbol) {
    if (state == 0)
        return m_rootEdges[symbol] != kNone ? &m_rootEdges[symbol] : nullptr;
    State &s = m_states[state];
    if (s.target != kNone && s.symbol == symbol)
        return &s.target;
    if (!s.spilled)
        return nullptr;
    Slot &slot = m_slots[findSlot(state, symbol)];
    return slot.state != 0 ? &slot.target : nullptr;
}

void SubstringIndex::addEdge(uint32_t state, uint32_t symbol, uint32_t target) {
    if (state == 0) {
        m_rootEdges[symbol] = target;
        return;
    }
    State &s = m_states[state];
    if (s.target == kNone) {
        s.target = target;
        s.symbol = static_cast<uint16_t>(symbol);
        return;
    }
    s.spilled = 1;
    insertSlot(state, symbol, target);
    m_spilledEdges.push_back({symbol, m_spillHead[state]});
    m_spillHead[state] = static_cast<uint32_t>(m_spilledEdges.size() - 1);
}

// The inline edge is copied with the state; this copies the others.
void SubstringIndex::copyEdges(uint32_t from, uint32_t to) {
    if (!m_states[from].spilled)
        return;
    for (uint32_t e = m_spillHead[from]; e != kNone; e = m_spilledEdges[e].next) {
        const uint32_t symbol = m_spilledEdges[e].symbol;
        addEdge(to, symbol, m_slots[findSlot(from, symbol)].target);
    }
}

bool SubstringIndex::hasEdgeWithLead(uint32_t state, unsigned char lead) const {
    auto matches = [lead](uint32_t symbol) { return (symbol >> 8) == lead || symbol == lead; };
    if (state == 0) {
        for (uint32_t trail = 0; trail < 0x100; ++trail)
            if (m_rootEdges[(uint32_t{lead} << 8) | trail] != kNone)
                return true;
        return m_rootEdges[lead] != kNone;
    }
    const State &s = m_states[state];
    if (s.target != kNone && matches(s.symbol))
        return true;
    if (!s.spilled)
        return false;
    for (uint32_t e = m_spillHead[state]; e != kNone; e = m_spilledEdges[e].next)
        if (matches(m_spilledEdges[e].symbol))
            return true;
    return false;
}

void SubstringIndex::extend(uint32_t symbol) {
    const auto cur = static_cast<uint32_t>(m_states.size());
    m_states.push_back({m_states[m_last].length + 1, 0, kNone, 0, 0});
    m_spillHead.push_back(kNone);
    int32_t p = static_cast<int32_t>(m_last);
    while (p != -1 && transition(static_cast<uint32_t>(p), symbol) == kNone) {
        addEdge(static_cast<uint32_t>(p), symbol, cur);
        p = m_states[p].link;
    }
    if (p != -1) {
        const uint32_t q = transition(static_cast<uint32_t>(p), symbol);
        if (m_states[p].length + 1 == m_states[q].length) {
            m_states[cur].link = static_cast<int32_t>(q);
        } else {
            const auto clone = static_cast<uint32_t>(m_states.size());
            State copy = m_states[q];
            copy.length = m_states[p].length + 1;
            copy.spilled = 0;
            m_states.push_back(copy);
            m_spillHead.push_back(kNone);
            copyEdges(q, clone);
            while (p != -1) {
                uint32_t *target = edgeTarget(static_cast<uint32_t>(p), symbol);
                if (!target || *target != q)
                    break;
                *target = clone;
                p = m_states[p].link;
            }
            m_states[q].link = static_cast<int32_t>(clone);
            m_states[cur].link = static_cast<int32_t>(clone);
        }
    }
    m_last = cur;
}

void SubstringIndex::append(std::string_view gbk) {
    const auto *s = reinterpret_cast<const unsigned char *>(gbk.data());
    const size_t n = gbk.size();
    for (size_t i = 0; i < n;) {
        size_t length = 0;
        extend(symbolAt(s, i, n, length));
        i += length;
    }
    m_size += n;
}

bool SubstringIndex::containsIgnoringCase(std::string_view needle) const {
    if (needle.empty())
        return m_size != 0;
    const auto *s = reinterpret_cast<const unsigned char *>(needle.data());
    const size_t n = needle.size();
    uint32_t state = 0;
    for (size_t i = 0; i < n;) {
        // A lead byte at the very end matches the first byte of any
        // double-byte character of the text.
        if (isGbkLeadByte(s[i]) && i + 1 == n)
            return hasEdgeWithLead(state, s[i]);
        size_t length = 0;
        state = transition(state, symbolAt(s, i, n, length));
        if (state == kNone)
            return false;
        i += length;
    }
    return true;
}

} // namespace orbisel
