#include "core/insight/TitleText.h"

#include "core/base/Utf8.h"

namespace orbisel::core {

std::size_t titleBytes(std::string_view utf8) {
    std::size_t bytes = 0;
    forEachUtf8Character(utf8, [&](std::string_view c) {
        bytes += c.size() == 1 && static_cast<unsigned char>(c[0]) < 0x80 ? 1 : 2;
    });
    return bytes;
}

std::size_t titleCharacters(std::string_view utf8) {
    std::size_t characters = 0;
    forEachUtf8Character(utf8, [&](std::string_view) { ++characters; });
    return characters;
}

ForbiddenWords::ForbiddenWords(const std::vector<std::string> &words) {
    add(words);
}

void ForbiddenWords::add(const std::vector<std::string> &words) {
    for (const std::string &word : words)
        if (!word.empty())
            m_words.push_back(foldedAscii(word));
}

std::string_view ForbiddenWords::foundIn(std::string_view folded) const {
    for (const std::string &word : m_words)
        if (folded.find(word) != std::string_view::npos)
            return word;
    return {};
}

std::vector<std::string_view> ForbiddenWords::allIn(std::string_view folded) const {
    std::vector<std::string_view> found;
    for (const std::string &word : m_words)
        if (folded.find(word) != std::string_view::npos)
            found.push_back(word);
    return found;
}

} // namespace orbisel::core
