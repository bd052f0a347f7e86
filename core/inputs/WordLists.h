#pragma once

#include "core/base/Result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Word lists the seller keeps in the user data folder: dictionary.txt (words the segmenter
// never cuts) and banned.txt (words no title may hold), and the built-in banned words.
namespace orbisel::core {

enum class WordListErrorKind { NotFound, CannotRead, ControlCharacter, BadEncoding };
struct WordListError {
    WordListErrorKind kind;
    std::string detail;   // the path, and the system's reason when reading failed
    std::size_t line = 0; // ControlCharacter, BadEncoding: the first wrong line, from 1
};

// The distinct words of a list's content, in order: UTF-8 (a leading byte-order mark is
// dropped) when it is valid UTF-8, otherwise GBK. One word a line (LF or CRLF), trimmed of
// ASCII and full-width spaces, blank lines skipped: the rules of a seeds file. A NUL or other
// control character (a tab inside a word included), or text in neither encoding, refuses the list.
Result<std::vector<std::string>, WordListError> parseWordList(std::string_view bytes);
Result<std::vector<std::string>, WordListError> readWordListFile(const std::string &path);
// The list at path, or no words when there is no such file.
Result<std::vector<std::string>, WordListError> readOptionalWordList(const std::string &path);

std::string userDictionaryPath();
std::string userBannedWordsPath();

// Absolute claims the advertising law forbids in a listing (core/data/banned.txt).
const std::vector<std::string> &builtinBannedWords();

} // namespace orbisel::core
