// rand.seq: draws item numbers 0 ... n-1 without repetition from a weighted
// pool; item i comes out weights[i] times per cycle, in random order, and the
// right outlet bangs when the cycle is complete.
#include "random.hpp"
#include "vesh.hpp"

#include <cstdlib>

namespace {

struct t_randseq {
    t_object x_obj;
    int n;
    int *weights;
    int *used;
    t_outlet *done;
};

t_class *randseq_class;

// Far more items than a sequence needs, and small enough that a mistyped size
// cannot tie up gigabytes: larger sizes are refused like a failed allocation.
constexpr int max_items = 1 << 20;

int *new_counts(int n, int value) {
    if (n > max_items) return nullptr;
    auto *a = static_cast<int *>(getbytes(static_cast<size_t>(n) * sizeof(int)));
    if (a) {
        for (int i = 0; i < n; i++) a[i] = value;
    }
    return a;
}

void free_counts(int *a, int n) {
    if (a) freebytes(a, static_cast<size_t>(n) * sizeof(int));
}

t_randseq *randseq_new(t_symbol *, int argc, t_atom *argv) {
    int n = argc > 0 ? vesh::int_part(atom_getfloat(argv)) : 1;
    if (n < 1) n = 1;
    int *weights = new_counts(n, 1);
    int *used = new_counts(n, 0);
    if (!weights || !used) {
        free_counts(weights, n);
        free_counts(used, n);
        pd_error(nullptr, "rand_seq : could not allocate buffer");
        return nullptr;
    }
    // Weights from the arguments are taken as they are; negative ones draw nothing.
    for (int i = 0; i < argc - 1 && i < n; i++)
        weights[i] = vesh::int_part(atom_getfloat(argv + i + 1));
    auto *x = vesh::new_object<t_randseq>(randseq_class);
    x->n = n;
    x->weights = weights;
    x->used = used;
    vesh::float_method_inlet(&x->x_obj, "n");
    outlet_new(&x->x_obj, &s_float);
    x->done = outlet_new(&x->x_obj, &s_bang);
    return x;
}

void randseq_free(t_randseq *x) {
    free_counts(x->weights, x->n);
    free_counts(x->used, x->n);
}

void randseq_restart(t_randseq *x) {
    for (int i = 0; i < x->n; i++) x->used[i] = 0;
}

void randseq_bang(t_randseq *x) {
    // Counted in 64 bits: n weights of up to 2^31 - 1 each cannot overflow.
    int64_t available = 0;
    for (int i = 0; i < x->n; i++) {
        if (x->weights[i] > x->used[i]) available += x->weights[i] - x->used[i];
    }
    if (available == 0) {
        post("[rand_seq]: probabilities are null");
        outlet_bang(x->done);
        return;
    }
    // Entry j of the pool in which item i occurs weights[i] - used[i] times,
    // found by walking the items instead of building the pool.
    int64_t j = std::rand() % available;
    int item = 0;
    for (; item < x->n; item++) {
        const int64_t left =
            x->weights[item] > x->used[item] ? x->weights[item] - x->used[item] : 0;
        if (j < left) break;
        j -= left;
    }
    // The cycle's bookkeeping is done before anything goes out, so that a
    // message fed back from an outlet ("n", "restart", bang) finds the object
    // in a consistent state.
    const bool last = available == 1;
    if (last) {
        randseq_restart(x);
    } else {
        x->used[item]++;
    }
    outlet_float(x->x_obj.ob_outlet, item);
    if (last) outlet_bang(x->done);
}

void randseq_list(t_randseq *x, t_symbol *, int argc, t_atom *argv) {
    for (int i = 0; i < argc && i < x->n; i++) {
        const int w = vesh::int_part(atom_getfloat(argv + i));
        x->weights[i] = w > 0 ? w : 0;
    }
}

void randseq_eq(t_randseq *x, t_floatarg f) {
    const int w = f >= 1 ? vesh::int_part(f) : 1;
    for (int i = 0; i < x->n; i++) x->weights[i] = w;
    randseq_restart(x);
}

bool randseq_index(t_randseq *x, t_floatarg f, int *index) {
    *index = vesh::int_part(f);
    if (*index < 0 || *index >= x->n) {
        post("[rand_seq]: %d not available", *index);
        return false;
    }
    return true;
}

void randseq_set(t_randseq *x, t_floatarg i, t_floatarg w) {
    int index;
    if (!randseq_index(x, i, &index)) return;
    const int weight = vesh::int_part(w);
    x->weights[index] = weight > 0 ? weight : 0;
}

void randseq_inc(t_randseq *x, t_floatarg i) {
    int index;
    if (!randseq_index(x, i, &index)) return;
    if (x->weights[index] < INT32_MAX) x->weights[index]++;
}

void randseq_n(t_randseq *x, t_floatarg f) {
    int m = vesh::int_part(f);
    if (m < 1) m = 1;
    if (m == x->n) return;
    int *weights = new_counts(m, 1);
    int *used = new_counts(m, 0);
    if (!weights || !used) {
        // Keep the current arrays and size rather than be left without any.
        free_counts(weights, m);
        free_counts(used, m);
        pd_error(x, "rand_seq : could not allocate buffer");
        return;
    }
    randseq_free(x);
    x->n = m;
    x->weights = weights;
    x->used = used;
}

}  // namespace

VESH_SETUP {
    randseq_class = vesh::new_class<t_randseq>(VESH_CLASS_NAME, randseq_new, randseq_free);
    vesh::add_bang(randseq_class, randseq_bang);
    vesh::add_list(randseq_class, randseq_list);
    vesh::add_method_defaults(randseq_class, "eq", randseq_eq);
    vesh::add_method_defaults(randseq_class, "inc", randseq_inc);
    vesh::add_method_defaults(randseq_class, "set", randseq_set);
    vesh::add_method_defaults(randseq_class, "n", randseq_n);
    vesh::add_method(randseq_class, "restart", randseq_restart);
}
