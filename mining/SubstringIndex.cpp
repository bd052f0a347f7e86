#include "mining/SubstringIndex.h"

#include "web/TextRules.h"

namespace orbisel {

namespace {

constexpr uint64_t kEmptyKey = ~uint64_t{0};

uint64_t keyOf(uint32_t state, uint32_t symbol) {
    return (uint64_t{state} << 32) | symbol;
}

uint64_t mix(uint64_t key) {
    key ^= key >> 31;
    key *= 0x9E3779B97F4A7C15ull;
    key ^= key >> 29;
    return key;
}

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

SubstringIndex::SubstringIndex() {
    m_states.push_back({0, -1, kNone});
    m_keys.assign(1024, kEmptyKey);
    m_values.assign(1024, 0);
}

uint32_t SubstringIndex::findSlot(uint64_t key) const {
    const size_t mask = m_keys.size() - 1;
    size_t slot = mix(key) & mask;
    while (m_keys[slot] != kEmptyKey && m_keys[slot] != key)
        slot = (slot + 1) & mask;
    return static_cast<uint32_t>(slot);
}

void SubstringIndex::grow() {
    std::vector<uint64_t> keys(m_keys.size() * 2, kEmptyKey);
    std::vector<uint32_t> values(m_keys.size() * 2, 0);
    std::swap(keys, m_keys);
    std::swap(values, m_values);
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] == kEmptyKey)
            continue;
        const uint32_t slot = findSlot(keys[i]);
        m_keys[slot] = keys[i];
        m_values[slot] = values[i];
    }
}

uint32_t SubstringIndex::transition(uint32_t state, uint32_t symbol) const {
    const uint32_t slot = findSlot(keyOf(state, symbol));
    return m_keys[slot] == kEmptyKey ? kNone : m_edges[m_values[slot]].target;
}

void SubstringIndex::addEdge(uint32_t state, uint32_t symbol, uint32_t target) {
    if ((m_used + 1) * 2 > m_keys.size())
        grow();
    const uint64_t key = keyOf(state, symbol);
    const uint32_t slot = findSlot(key);
    const auto edge = static_cast<uint32_t>(m_edges.size());
    m_edges.push_back({symbol, target, m_states[state].firstEdge});
    m_states[state].firstEdge = edge;
    m_keys[slot] = key;
    m_values[slot] = edge;
    ++m_used;
}

void SubstringIndex::extend(uint32_t symbol) {
    const auto cur = static_cast<uint32_t>(m_states.size());
    m_states.push_back({m_states[m_last].length + 1, 0, kNone});
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
            m_states.push_back({m_states[p].length + 1, m_states[q].link, kNone});
            for (uint32_t e = m_states[q].firstEdge; e != kNone; e = m_edges[e].next)
                addEdge(clone, m_edges[e].symbol, m_edges[e].target);
            while (p != -1) {
                const uint32_t slot = findSlot(keyOf(static_cast<uint32_t>(p), symbol));
                if (m_keys[slot] == kEmptyKey || m_edges[m_values[slot]].target != q)
                    break;
                m_edges[m_values[slot]].target = clone;
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
        if (isGbkLeadByte(s[i]) && i + 1 == n) {
            // A lead byte at the very end matches the first byte of any
            // double-byte character of the text.
            for (uint32_t e = m_states[state].firstEdge; e != kNone; e = m_edges[e].next)
                if ((m_edges[e].symbol >> 8) == s[i] || m_edges[e].symbol == s[i])
                    return true;
            return false;
        }
        size_t length = 0;
        state = transition(state, symbolAt(s, i, n, length));
        if (state == kNone)
            return false;
        i += length;
    }
    return true;
}

} // namespace orbisel
