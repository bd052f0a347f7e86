#pragma once

#include "web/Text.h"

#include <QString>
#include <string_view>

namespace orbisel {

// ---- The two built-in keyword lists ------------------------------------------
// GBK texts: the header line "关键词", then one keyword per line, every line
// ended by CRLF. Loaded once, on first use; they never change afterwards.

enum class KeywordList { Top, Potential };

const Text &topKeywordList();
const Text &potentialKeywordList();

// The list as carried in the program, without a user replacement.
Text builtInKeywordList(KeywordList list);
// The user's replacement file in the program's data folder ("top.csv" or
// "potential.csv"), whether or not it exists.
QString userKeywordListPath(KeywordList list);
// Loads a list: the user's replacement when it exists and yields at least one
// keyword, otherwise the built-in list. Not cached.
Text loadKeywordList(KeywordList list);

// Converts a CSV file's bytes (UTF-8, with or without BOM, or GBK) into the
// list form. The first row is the file's header and is replaced by "关键词";
// the keyword is the first column of every further row (quotes removed);
// rows with an empty first column are skipped. Empty when no keyword is left.
Text keywordListFromCsv(std::string_view csv);

// ---- Filter and dedupe ---------------------------------------------------------

// The entries of the list text (header line included) that contain a seed,
// case-sensitive, each followed by CRLF: grouped by seed in seed order, list
// order within a seed, repeats kept. Seeds are the lines of seedText (inner
// empty lines are empty seeds, which every non-empty entry contains).
Text listFilter(std::string_view seedText, std::string_view listText);

// The lines of text, each followed by CRLF, without every line that occurs,
// ASCII letter case ignored, anywhere in the lines kept before it.
Text removeDuplicates(std::string_view text);
// The same for text as typed (lines end with CRLF): characters GBK lacks are
// kept and compared as themselves.
QString removeTypedDuplicates(const QString &text);

// ---- List downloads ------------------------------------------------------------

enum class ListDownload {
    PotentialMobile, // 按钮8 "潜力词表无线【下载】"
    PotentialPc,     // 按钮9 "潜力词表PC【下载】"
    TopPc,           // 按钮10 "TOP20万词表【PC】"
    TopMobile,       // 按钮12 "TOP20万词表【无线】"
};

// The https address of a published list file on the file-service host.
Text listDownloadAddress(ListDownload file);

} // namespace orbisel
