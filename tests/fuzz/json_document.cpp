// libFuzzer target: parse followed by the reads the mining run does, plus paths taken from the
// input (a path must never make the engine run script of its own).
#include "json/JsonDocument.h"
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    std::string_view path = "result";
    // Input "path\njson": the first line is used as a path as well.
    if (const size_t newline = input.find('\n'); newline != std::string_view::npos && newline < 64) {
        path = input.substr(0, newline);
        input.remove_prefix(newline + 1);
    }

    orbisel::JsonDocument document;
    if (!document.parse(input))
        return 0;
    const int n = document.count("result");
    for (int i = 0; i < n && i < 8; ++i)
        (void)document.getText("result[" + std::to_string(i) + "][0]");
    (void)document.count("magic");
    (void)document.getText("magic[0].index");
    (void)document.getText("magic[0].data[0][0].title");
    (void)document.count("data.words");
    (void)document.getText("data.words[0].text");
    (void)document.toText();
    (void)document.typeOf();
    orbisel::TextArray names;
    (void)document.memberNames(names);

    const std::string p(path);
    (void)document.count(p);
    (void)document.getText(p);
    (void)document.getText(p, true);
    (void)document.typeOf(p);
    (void)document.has(p);
    (void)document.getObject(p).toText();
    document.push("v", p);
    document.setText(p, "w");
    document.removeAt(p);
    return 0;
}
