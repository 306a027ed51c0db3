// Splitting a symbol's text into atoms at a separator, shared by the classes
// that turn text into messages (separate, symbol2any). Each non-empty stretch
// between separators becomes one atom: a float when the host would read the
// word as a number (number_text.hpp), else a symbol.
#pragma once

#include <m_pd.h>

#include "atoms.hpp"
#include "number_text.hpp"

#include <cstddef>
#include <cstring>

namespace vesh {

// A writable copy of a symbol's text, for the splitting writes into it;
// text() is null when no memory could be had.
struct text_copy {
    std::size_t length;
    Scratch<char, 256> buffer;

    explicit text_copy(const t_symbol *s) : length(std::strlen(s->s_name)), buffer(length + 1) {
        if (buffer.get()) std::memcpy(buffer.get(), s->s_name, length + 1);
    }
    char *text() { return buffer.get(); }
};

// Symbols made lately, by a hash of their text. gensym walks the host's symbol
// table comparing strings, and the same words tend to come back; a hit is
// checked against the name, and symbols live as long as the process, so the
// pointer found is always the one gensym would give.
struct symbol_cache {
    static constexpr int size = 64;
    t_symbol *recent[size];

    // The symbol named text[0..length), which is terminated there.
    t_symbol *get(const char *text, std::size_t length) {
        unsigned hash = 5381;
        for (std::size_t i = 0; i < length; i++)
            hash = hash * 33 + static_cast<unsigned char>(text[i]);
        t_symbol *&slot = recent[hash & (size - 1)];
        if (slot) {
            // Stops at the cached name's end, where it differs from the text.
            const char *name = slot->s_name;
            std::size_t i = 0;
            while (i < length && name[i] == text[i]) i++;
            if (i == length && name[length] == '\0') return slot;
        }
        return slot = gensym(text);
    }
};

// Appends the atom for text[0..length) (terminated in place for the moment;
// `text` is a private copy) unless the stretch is empty.
inline void append_word(symbol_cache &cache, char *text, std::size_t length, t_atom *out, int &n) {
    if (length == 0) return;
    const char saved = text[length];
    text[length] = '\0';
    if (is_number_text(text, length)) {
        SETFLOAT(&out[n], static_cast<t_float>(number_text_value(text)));
    } else {
        SETSYMBOL(&out[n], cache.get(text, length));
    }
    text[length] = saved;
    n++;
}

// The next occurrence of `sep` (`seplen` bytes) in `text`, or null. A
// one-byte separator, the usual case, is looked for byte by byte: words are
// short, and a library search costs more to start than to run on them.
inline char *find_separator(char *text, const char *sep, std::size_t seplen) {
    if (seplen != 1) return std::strstr(text, sep);
    const char c = sep[0];
    for (; *text; text++) {
        if (*text == c) return text;
    }
    return nullptr;
}

// Walks the non-empty stretches between occurrences of `sep`, searching on
// from the end of each occurrence, so that an overlapping separator such as
// "aa" counts exactly the stretches it later splits. With `out` null only
// the bound on the atoms (stretches before an occurrence, plus the tail) is
// returned; otherwise the atoms are written and their number returned.
inline int split_text(symbol_cache &cache, char *text, std::size_t length, const char *sep,
                      t_atom *out) {
    const std::size_t seplen = std::strlen(sep);
    int n = 0;
    char *at = text;
    for (char *hit; (hit = find_separator(at, sep, seplen)); at = hit + seplen) {
        if (hit == at) continue;
        if (out) {
            append_word(cache, at, hit - at, out, n);
        } else {
            n++;
        }
    }
    if (!out) return n + 1;
    append_word(cache, at, text + length - at, out, n);
    return n;
}

}  // namespace vesh
