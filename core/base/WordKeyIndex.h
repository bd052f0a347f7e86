#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The open-addressing index of a growing list of words, filed by the hashes of their
// comparison keys (hashKey); the list itself stays with its owner.
namespace orbisel::core {

class WordKeyIndex {
public:
    explicit WordKeyIndex(std::size_t slotCount) { clear(slotCount); }

    // Forgets every word; `slotCount` is a power of two.
    void clear(std::size_t slotCount) {
        m_slots.assign(slotCount, 0);
        m_count = 0;
    }

    // The index + 1 of the first word filed under `hash` that `matches(index)` accepts; 0: none.
    template <class Matches> std::uint32_t find(std::uint64_t hash, const Matches &matches) const {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const std::uint32_t slot = m_slots[i];
            if (slot == 0 || matches(slot - 1))
                return slot;
        }
    }

    // Files the next word of the list (index count()) under `hash`. When the table is half
    // full it doubles, and `hashOf(index)` gives the hash of each word filed before.
    template <class HashOf> void add(std::uint64_t hash, const HashOf &hashOf) {
        if ((m_count + 1) * 2 > m_slots.size()) {
            m_slots.assign(m_slots.size() * 2, 0);
            for (std::uint32_t word = 0; word < m_count; ++word)
                place(word, hashOf(word));
        }
        place(m_count++, hash);
    }

    std::uint32_t count() const { return m_count; }

private:
    void place(std::uint32_t word, std::uint64_t hash) {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = hash & mask;
        while (m_slots[i] != 0)
            i = (i + 1) & mask;
        m_slots[i] = word + 1;
    }

    std::vector<std::uint32_t> m_slots; // word index + 1; 0: empty
    std::uint32_t m_count = 0;
};

} // namespace orbisel::core
