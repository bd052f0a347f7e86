#pragma once

#include "web/Text.h"

#include <memory>
#include <string_view>

namespace orbisel {

namespace detail {
class ScriptEngine;
}

// Value kinds reported by JsonDocument::typeOf and accepted by JsonDocument::reset.
enum class JsonKind : int {
    Missing = 0,
    Boolean = 1,
    Number = 2,
    Object = 4,
    Array = 5,
    String = 6,
    Other = -1,
};

// A JSON value held in a JavaScript engine of its own and read or written by path texts such as
// "result[0][0]" or "data.words[3].text", which the engine resolves as member expressions.
//
// Copies share the engine: both read and write the same value. getObject and getElementObject give
// independent documents. Every parse starts a fresh engine. No operation throws; a failed
// evaluation gives the empty value of its kind. Texts are GBK.
class JsonDocument {
public:
    JsonDocument();
    ~JsonDocument();
    JsonDocument(const JsonDocument &);
    JsonDocument &operator=(const JsonDocument &);

    // Reads a JSON text as data (never runs it as script). False when the text is not JSON or
    // its value is null.
    bool parse(std::string_view json);
    Text toText() const;

    void setText(std::string_view path, std::string_view value, bool asJson = false);
    void setJson(std::string_view path, std::string_view json);
    void setNumber(std::string_view path, double value);
    double getNumber(std::string_view path) const;
    Text getJson(std::string_view path) const;
    Text getText(std::string_view path, bool asJson = false) const;
    JsonDocument getObject(std::string_view path) const;
    int count(std::string_view path = {}) const;
    void push(std::string_view value, std::string_view path = {}, bool asJson = false);
    JsonDocument getElementObject(int index, std::string_view path = {}) const;
    Text getElementText(int index, std::string_view path = {}, bool asJson = false) const;
    void setElement(int index, std::string_view value, bool asJson = false);
    void removeElement(int index);
    void removeAt(std::string_view path);
    void reset(JsonKind kind);
    void setRoot(std::string_view value, bool asJson = false);
    bool has(std::string_view path) const;
    int memberNames(TextArray &names, std::string_view path = {}) const;
    JsonKind typeOf(std::string_view path = {}) const;
    void clear();

private:
    void init();
    bool parseUtf8(std::string_view json);
    std::string target(std::string_view pathUtf8) const;
    std::string evalUtf8(const std::string &script) const;
    Text evalText(const std::string &script) const;
    double evalNumber(const std::string &script) const;
    bool evalBoolean(const std::string &script) const;
    void run(const std::string &script) const;
    void runWithJson(const std::string &statement, std::string_view jsonUtf8) const;

    Text name_;
    std::shared_ptr<detail::ScriptEngine> engine_;
};

} // namespace orbisel
