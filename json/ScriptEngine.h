#pragma once

#include <csetjmp>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

struct duk_hthread;

namespace orbisel::detail {

// One Duktape heap. Every script runs inside a protected call, so script errors become failed
// results; the heap's allocations are capped, and a fatal engine error marks the engine broken
// instead of ending the process. Scripts and texts are UTF-8.
class ScriptEngine {
public:
    enum class As { Nothing, Text, Number, Boolean };

    struct Result {
        bool ok = false;
        std::string text;
        double number = 0;
        bool boolean = false;
    };

    // Gives nullptr when the heap cannot be created or the start script fails.
    static std::shared_ptr<ScriptEngine> create(std::string_view startScript, std::size_t heapLimitBytes);
    ~ScriptEngine();

    ScriptEngine(const ScriptEngine &) = delete;
    ScriptEngine &operator=(const ScriptEngine &) = delete;

    // Evaluates a statement list in the global scope; the result is the completion value of its
    // last statement converted to `as`.
    Result eval(std::string_view script, As as);

    // Evaluates `functionScript` to a function and calls it with `argument` as its one string
    // argument; the result is the call's return value converted to `as`.
    Result call(std::string_view functionScript, std::string_view argument, As as);

private:
    explicit ScriptEngine(std::size_t heapLimitBytes) : limit_(heapLimitBytes) {}

    Result run(std::string_view script, const std::string_view *argument, As as);

    static void *allocate(void *self, std::size_t size);
    static void *reallocate(void *self, void *ptr, std::size_t size);
    static void release(void *self, void *ptr);
    static void onFatal(void *self, const char *message);

    duk_hthread *ctx_ = nullptr;
    bool broken_ = false;
    std::jmp_buf *fatalJump_ = nullptr;
    std::size_t used_ = 0;
    std::size_t limit_;
};

} // namespace orbisel::detail
