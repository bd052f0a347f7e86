#include "json/ScriptEngine.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <duktape.h>
#include <new>

namespace orbisel::detail {
namespace {

// Every block carries its size in front so that the heap's total can be kept.
struct alignas(std::max_align_t) BlockHeader {
    std::size_t size;
};

struct Job {
    std::string_view script;
    const std::string_view *argument;
    ScriptEngine::As as;
};

// Runs inside duk_safe_call: every error thrown here, also by the conversions, is caught there.
duk_ret_t runJob(duk_context *ctx, void *udata) {
    const auto *job = static_cast<const Job *>(udata);
    duk_eval_lstring(ctx, job->script.data(), job->script.size());
    if (job->argument) {
        duk_push_lstring(ctx, job->argument->data(), job->argument->size());
        duk_call(ctx, 1);
    }
    switch (job->as) {
    case ScriptEngine::As::Nothing:
        duk_pop(ctx);
        duk_push_undefined(ctx);
        break;
    case ScriptEngine::As::Text:
        if (duk_is_null_or_undefined(ctx, -1)) {
            duk_pop(ctx);
            duk_push_string(ctx, "");
        } else {
            duk_to_string(ctx, -1);
        }
        break;
    case ScriptEngine::As::Number:
        if (duk_is_number(ctx, -1)) {
            break;
        } else if (duk_is_string(ctx, -1) || duk_is_boolean(ctx, -1)) {
            const double n = duk_to_number(ctx, -1);
            if (std::isnan(n)) {
                duk_pop(ctx);
                duk_push_number(ctx, 0);
            }
        } else {
            duk_pop(ctx);
            duk_push_number(ctx, 0);
        }
        break;
    case ScriptEngine::As::Boolean:
        duk_to_boolean(ctx, -1);
        break;
    }
    return 1;
}

} // namespace

std::shared_ptr<ScriptEngine> ScriptEngine::create(std::string_view startScript, std::size_t heapLimitBytes) {
    std::shared_ptr<ScriptEngine> engine(new (std::nothrow) ScriptEngine(heapLimitBytes));
    if (!engine)
        return nullptr;
    std::jmp_buf jump;
    engine->fatalJump_ = &jump;
    if (setjmp(jump) != 0) {
        // A heap that failed fatally is left alone: its state is unknown.
        engine->fatalJump_ = nullptr;
        engine->broken_ = true;
        engine->ctx_ = nullptr;
        return nullptr;
    }
    engine->ctx_ = duk_create_heap(&ScriptEngine::allocate, &ScriptEngine::reallocate, &ScriptEngine::release,
                                   engine.get(), &ScriptEngine::onFatal);
    engine->fatalJump_ = nullptr;
    if (!engine->ctx_)
        return nullptr;
    if (!engine->run(startScript, nullptr, As::Nothing).ok)
        return nullptr;
    return engine;
}

ScriptEngine::~ScriptEngine() {
    if (!ctx_ || broken_)
        return;
    std::jmp_buf jump;
    fatalJump_ = &jump;
    if (setjmp(jump) == 0)
        duk_destroy_heap(ctx_);
    fatalJump_ = nullptr;
}

ScriptEngine::Result ScriptEngine::eval(std::string_view script, As as) {
    return run(script, nullptr, as);
}

ScriptEngine::Result ScriptEngine::call(std::string_view functionScript, std::string_view argument, As as) {
    return run(functionScript, &argument, as);
}

ScriptEngine::Result ScriptEngine::run(std::string_view script, const std::string_view *argument, As as) {
    Result result;
    if (!ctx_ || broken_)
        return result;
    Job job{script, argument, as};
    std::jmp_buf jump;
    fatalJump_ = &jump;
    if (setjmp(jump) != 0) {
        fatalJump_ = nullptr;
        broken_ = true;
        return Result{};
    }
    const duk_int_t rc = duk_safe_call(ctx_, runJob, &job, 0, 1);
    fatalJump_ = nullptr;

    if (rc == DUK_EXEC_SUCCESS) {
        result.ok = true;
        switch (as) {
        case As::Nothing:
            break;
        case As::Text: {
            duk_size_t length = 0;
            const char *text = duk_get_lstring(ctx_, -1, &length);
            if (text)
                result.text.assign(text, length);
            break;
        }
        case As::Number:
            result.number = duk_get_number(ctx_, -1);
            break;
        case As::Boolean:
            result.boolean = duk_get_boolean(ctx_, -1) != 0;
            break;
        }
    }
    duk_pop(ctx_);
    return result;
}

void *ScriptEngine::allocate(void *self, std::size_t size) {
    auto *engine = static_cast<ScriptEngine *>(self);
    if (size > engine->limit_ - engine->used_)
        return nullptr;
    auto *block = static_cast<BlockHeader *>(std::malloc(sizeof(BlockHeader) + size));
    if (!block)
        return nullptr;
    block->size = size;
    engine->used_ += size;
    return block + 1;
}

void *ScriptEngine::reallocate(void *self, void *ptr, std::size_t size) {
    if (!ptr)
        return allocate(self, size);
    if (size == 0) {
        release(self, ptr);
        return nullptr;
    }
    auto *engine = static_cast<ScriptEngine *>(self);
    BlockHeader *block = static_cast<BlockHeader *>(ptr) - 1;
    const std::size_t old = block->size;
    if (size > old && size - old > engine->limit_ - engine->used_)
        return nullptr;
    auto *grown = static_cast<BlockHeader *>(std::realloc(block, sizeof(BlockHeader) + size));
    if (!grown)
        return nullptr;
    grown->size = size;
    engine->used_ = engine->used_ - old + size;
    return grown + 1;
}

void ScriptEngine::release(void *self, void *ptr) {
    if (!ptr)
        return;
    auto *engine = static_cast<ScriptEngine *>(self);
    BlockHeader *block = static_cast<BlockHeader *>(ptr) - 1;
    engine->used_ -= block->size;
    std::free(block);
}

// Duktape calls this for errors outside any protected call and expects it not to return. Every
// call into the heap arms a jump point first, so control goes back there and the engine is
// marked broken; the process goes on.
void ScriptEngine::onFatal(void *self, const char *) {
    auto *engine = static_cast<ScriptEngine *>(self);
    if (engine && engine->fatalJump_)
        std::longjmp(*engine->fatalJump_, 1);
    // Unreachable: every entry into the heap arms the jump point. Returning makes Duktape abort.
}

} // namespace orbisel::detail
