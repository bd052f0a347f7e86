#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace orbisel {

// A growing GBK text that answers "does the text contain this one?" in time
// linear in the question, with the ASCII letters of both compared without
// case. Equivalent to containsText(toLowerAscii(text), toLowerAscii(needle))
// of web/TextRules.h, except that an empty needle is found in every non-empty
// text. Built as a suffix automaton over the text's characters, so appending
// is amortised linear too. Appended pieces must keep the text ending on a character
// boundary (a piece ending with CRLF always does).
class SubstringIndex {
public:
    SubstringIndex();

    void append(std::string_view gbk);
    bool containsIgnoringCase(std::string_view needle) const;
    bool empty() const { return m_size == 0; }

private:
    struct State {
        uint32_t length;
        int32_t link;
        uint32_t firstEdge; // index into m_edges, kNone when none
    };
    struct Edge {
        uint32_t symbol;
        uint32_t target;
        uint32_t next; // next edge of the same state
    };
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    void extend(uint32_t symbol);
    uint32_t transition(uint32_t state, uint32_t symbol) const; // kNone when absent
    void addEdge(uint32_t state, uint32_t symbol, uint32_t target);
    uint32_t findSlot(uint64_t key) const;
    void grow();

    std::vector<State> m_states;
    std::vector<Edge> m_edges;
    // Open-addressing table (state, symbol) -> edge index.
    std::vector<uint64_t> m_keys;
    std::vector<uint32_t> m_values;
    size_t m_used = 0;
    uint32_t m_last = 0;
    size_t m_size = 0;
};

} // namespace orbisel
