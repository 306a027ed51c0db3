// separate: splits a symbol's text into a list of atoms, at every occurrence of
// the separator text, or into single (UTF-8) characters when there is none.
// Pieces that read wholly as a number become floats.
#include "vesh.hpp"
#include "atoms.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Symbols made lately, by a hash of their text. gensym walks the host's symbol
// table comparing strings, and the same words tend to come back; a hit is
// checked against the name, and symbols live as long as the process, so the
// pointer found is always the one gensym would give.
constexpr int symbol_cache_size = 64;

struct t_separate {
    t_object x_obj;
    t_symbol *separator;  // null: split into characters
    vesh::atom_buffer buffer;
    int count;    // atoms of the last result
    int sending;  // set while the last result is going out
    t_symbol *recent[symbol_cache_size];
};

t_class *separate_class;

constexpr int initial_capacity = 16;

bool is_continuation(unsigned char c) {
    return c >= 0x80 && c <= 0xBF;
}

// Whether strtod could read anything from text starting with `c`: blanks,
// signs, digits, the point, and the first letters of "inf" and "nan".
bool may_begin_number(unsigned char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == ' ' ||
           (c >= '\t' && c <= '\r') || c == 'i' || c == 'I' || c == 'n' || c == 'N';
}

// The symbol named text[0..length), which is terminated there.
t_symbol *separate_gensym(t_separate *x, const char *text, std::size_t length) {
    unsigned hash = 5381;
    for (std::size_t i = 0; i < length; i++) hash = hash * 33 + static_cast<unsigned char>(text[i]);
    t_symbol *&slot = x->recent[hash & (symbol_cache_size - 1)];
    if (slot) {
        // Stops at the cached name's end, where it differs from the text.
        const char *name = slot->s_name;
        std::size_t i = 0;
        while (i < length && name[i] == text[i]) i++;
        if (i == length && name[length] == '\0') return slot;
    }
    return slot = gensym(text);
}

// Appends the atom for text[0..length) (terminated in place; `text` is a
// private copy) unless the stretch is empty.
void separate_atom(t_separate *x, char *text, std::size_t length, t_atom *out, int &n) {
    if (length == 0) return;
    char saved = text[length];
    text[length] = '\0';
    char *end = text;
    double value = 0;
    // Most words cannot begin a number; only those that can go through strtod.
    if (may_begin_number(static_cast<unsigned char>(text[0]))) value = std::strtod(text, &end);
    if (end == text + length && text[1] != 'x' && text[1] != 'X') {
        SETFLOAT(&out[n], static_cast<t_float>(value));
    } else {
        SETSYMBOL(&out[n], separate_gensym(x, text, length));
    }
    text[length] = saved;
    n++;
}

// The next occurrence of `sep` (`seplen` bytes) in `text`, or null. A
// one-byte separator, the usual case, is looked for byte by byte: words are
// short, and a library search costs more to start than to run on them.
char *separate_find(char *text, const char *sep, std::size_t seplen) {
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
int separate_by_text(t_separate *x, char *text, std::size_t length, t_atom *out) {
    const char *sep = x->separator->s_name;
    const std::size_t seplen = std::strlen(sep);
    int n = 0;
    char *at = text;
    for (char *hit; (hit = separate_find(at, sep, seplen)); at = hit + seplen) {
        if (hit == at) continue;
        if (out) {
            separate_atom(x, at, hit - at, out, n);
        } else {
            n++;
        }
    }
    if (!out) return n + 1;
    separate_atom(x, at, text + length - at, out, n);
    return n;
}

// One atom per character: a lead byte with the continuation bytes after it.
// Stray continuation bytes at the very start stay together as one atom.
int separate_by_character(t_separate *x, char *text, std::size_t length, t_atom *out) {
    int n = 0;
    for (std::size_t begin = 0; begin < length;) {
        std::size_t end = begin + 1;
        while (end < length && is_continuation(static_cast<unsigned char>(text[end]))) end++;
        separate_atom(x, text + begin, end - begin, out, n);
        begin = end;
    }
    return n;
}

void separate_symbol(t_separate *x, t_symbol *s) {
    if (!*s->s_name) {
        x->count = 0;
        outlet_bang(x->x_obj.ob_outlet);
        return;
    }
    const std::size_t length = std::strlen(s->s_name);
    vesh::Scratch<char, 256> copy(length + 1);
    char *text = copy.get();
    if (!text) {
        pd_error(x, "separate: out of memory");
        return;
    }
    std::memcpy(text, s->s_name, length + 1);

    // Atoms needed, and the capacity the object's buffer grows to for them.
    // A text of `length` bytes splits into at most `length` pieces, so when
    // the buffer holds that many the count cannot make it grow and is skipped.
    long needed, grow_to;
    if (x->separator) {
        const bool fits = !x->sending && static_cast<long>(length) <= x->buffer.capacity;
        needed = fits ? 0 : separate_by_text(x, text, length, nullptr);
        grow_to = needed + 10;
    } else {
        needed = static_cast<long>(length);
        grow_to = needed + 10;
    }

    // A result still being sent (a receiver sent a symbol back here) must not
    // be overwritten: such a nested message gets a buffer of its own.
    vesh::Scratch<t_atom> nested(x->sending ? needed : 0);
    t_atom *atoms;
    if (x->sending) {
        atoms = nested.get();
    } else {
        if (needed > x->buffer.capacity &&
            !vesh::atom_buffer_renew(x->buffer, static_cast<int>(grow_to))) {
            pd_error(x, "separate: out of memory");
            return;
        }
        atoms = x->buffer.atoms;
        vesh::atom_buffer_use(x->buffer, static_cast<int>(needed ? needed : length));
    }
    if (!atoms) {
        pd_error(x, "separate: out of memory");
        return;
    }

    int n = x->separator ? separate_by_text(x, text, length, atoms)
                         : separate_by_character(x, text, length, atoms);
    if (x->sending) {
        if (n) outlet_list(x->x_obj.ob_outlet, &s_list, n, atoms);
        return;
    }
    x->count = n;
    if (n) {
        x->sending = 1;
        outlet_list(x->x_obj.ob_outlet, &s_list, n, atoms);
        x->sending = 0;
    }
}

// An empty separator would match everywhere; it means "no separator", as
// "empty" does.
t_symbol *separate_choose(t_symbol *s) {
    return (!*s->s_name || s == gensym("empty")) ? nullptr : s;
}

void separate_set(t_separate *x, t_symbol *s) {
    x->separator = separate_choose(s);
}

void separate_free(t_separate *x) {
    vesh::atom_buffer_release(x->buffer);
}

t_separate *separate_new(t_symbol *, int argc, t_atom *argv) {
    t_symbol *separator = gensym(" ");
    if (argc > 0) {
        if (argv[0].a_type == A_FLOAT) {
            char text[64];
            std::snprintf(text, sizeof text, "%g", argv[0].a_w.w_float);
            separator = gensym(text);
        } else if (argv[0].a_type == A_SYMBOL) {
            separator = argv[0].a_w.w_symbol;
        }
    }
    auto *x = vesh::new_object<t_separate>(separate_class);
    separate_set(x, separator);
    if (!vesh::atom_buffer_renew(x->buffer, initial_capacity)) {
        pd_error(nullptr, "separate: out of memory");
        pd_free(&x->x_obj.ob_pd);
        return nullptr;
    }
    inlet_new(&x->x_obj, &x->x_obj.ob_pd, &s_symbol, &s_);
    outlet_new(&x->x_obj, nullptr);
    return x;
}

}  // namespace

VESH_SETUP {
    separate_class = vesh::new_class(VESH_CLASS_NAME, separate_new, separate_free);
    vesh::add_symbol(separate_class, separate_symbol);
    vesh::add_method(separate_class, "", separate_set);
}
