#pragma once
// Outcome of an operation that can fail: the core never throws across its API and never shows a
// message; the caller picks what the user sees from the kind and the text.

#include <optional>
#include <string>
#include <utility>

namespace kestrom {

enum class ErrorKind {
    None,
    OpenFailed,   // a file could not be opened for reading
    ReadFailed,   // reading stopped early
    TooShort,     // a measurement file holds no complete 32-byte header
    CreateFailed, // a file (or its temporary twin) could not be created
    WriteFailed,  // writing or replacing failed; an existing file is left as it was
    Exists,       // the target exists and was not to be replaced; nothing was written there
    NoData,       // nothing to write (no evaluated flight, no points)
};

struct Status {
    ErrorKind kind = ErrorKind::None;
    std::string error; // English text naming the file where one is involved; empty on success

    bool ok() const { return kind == ErrorKind::None; }
    explicit operator bool() const { return ok(); }

    static Status success() { return {}; }
    static Status failure(ErrorKind k, std::string text) { return {k, std::move(text)}; }
};

// A value or the reason there is none.
template <typename T> struct Result {
    std::optional<T> value;
    Status status;

    bool ok() const { return status.ok() && value.has_value(); }
    explicit operator bool() const { return ok(); }

    static Result success(T v) { return {std::move(v), Status::success()}; }
    static Result failure(ErrorKind k, std::string text) {
        return {std::nullopt, Status::failure(k, std::move(text))};
    }
};

} // namespace kestrom
