// ffdelay~: feed-forward delay line with an interpolated delay time (a
// signal, in milliseconds or with "-samps" in samples) and a freeze switch.
#include <cstddef>

#include "delay_kernel.hpp"
#include "vesh.hpp"

namespace {

namespace delay = vesh::delay;
using vesh::sample;

struct t_ffdelay {
    t_object x_obj;
    delay::Line line;
    sample *heap;  // null while the line is inside the object
    int heap_size;
    int in_samples;  // "-samps": times in samples
    int frozen;
    t_float samples_per_ms;
    sample local[delay::inline_size + delay::extra];
};

t_class *ffdelay_class;

std::size_t line_bytes(int size) {
    return sizeof(sample) * (static_cast<std::size_t>(size) + delay::extra);
}

sample unit_of(const t_ffdelay *x) {
    return x->in_samples ? 1 : x->samples_per_ms;
}

void ffdelay_release(t_ffdelay *x) {
    if (x->heap) freebytes(x->heap, line_bytes(x->heap_size));
    x->heap = nullptr;
    x->heap_size = 0;
}

// A zeroed line of `size` samples: inside the object up to its limit, in a
// heap block beyond. Without a heap block that large the line falls back to
// the object's own storage.
void ffdelay_resize(t_ffdelay *x, int size) {
    x->line.clear();  // whichever storage is left behind stays zeroed
    if (size <= delay::inline_size) {
        ffdelay_release(x);
        x->line.use(x->local, size);
    } else if (size <= x->heap_size) {
        x->line.use(x->heap, size);
    } else if (auto *block = static_cast<sample *>(getbytes(line_bytes(size)))) {
        ffdelay_release(x);
        x->heap = block;
        x->heap_size = size;
        x->line.use(block, size);
    } else {
        pd_error(x, "unable to resize buffer; using size of %d samples", delay::inline_size);
        ffdelay_release(x);
        x->line.use(x->local, delay::inline_size);
    }
}

// A time in the object's unit as samples.
sample in_samples(const t_ffdelay *x, t_float time) {
    return time * unit_of(x);
}

// Floats first: a float sets the delay and the size. Then "-size" with a
// float, "-samps". A size of 0 or less (or none) holds one second.
t_ffdelay *ffdelay_new(t_symbol *, int argc, t_atom *argv) {
    t_float time = 0, size = 0;
    bool has_time = false, has_size = false, samps = false;
    if (!vesh::read_floats_then_flags(argc, argv, &time, &has_time, {{"-samps", &samps}},
                                      {{"-size", &size, &has_size}})) {
        return vesh::improper_args<t_ffdelay>("[ffdelay~]: improper args");
    }
    auto *x = vesh::new_object<t_ffdelay>(ffdelay_class);
    x->in_samples = samps;
    x->samples_per_ms = vesh::samples_per_ms(sys_getsr());
    if (!has_size) size = time;
    time = time > 0 ? time : 0;
    const sample longest = size > 0 ? in_samples(x, size) : 1000 * x->samples_per_ms;
    const sample delay_samples = in_samples(x, time);
    x->line.use(x->local, 1);
    ffdelay_resize(x, vesh::to_count(std::max(delay_samples, longest), 1, delay::longest));
    vesh::signal_inlet(&x->x_obj, time);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void ffdelay_free(t_ffdelay *x) {
    ffdelay_release(x);
}

void ffdelay_clear(t_ffdelay *x) {
    x->line.clear();
}

// "size" v: a new length in the object's unit, at least one sample.
void ffdelay_size(t_ffdelay *x, t_floatarg v) {
    ffdelay_resize(x, vesh::to_count(in_samples(x, v), 1, delay::longest));
}

void ffdelay_freeze(t_ffdelay *x, t_floatarg on) {
    x->frozen = on != 0;
}

void ffdelay_block(t_ffdelay *x, int n, const t_sample *in, const t_sample *time, t_sample *out) {
    if (x->frozen) {
        x->line.run<true>(in, time, unit_of(x), out, n);
    } else {
        x->line.run<false>(in, time, unit_of(x), out, n);
    }
}

void ffdelay_prepare(t_ffdelay *x, t_signal **sp) {
    x->samples_per_ms = vesh::samples_per_ms(sp[0]->s_sr);
}

}  // namespace

VESH_SETUP {
    ffdelay_class = vesh::new_class<t_ffdelay>(VESH_CLASS_NAME, ffdelay_new, ffdelay_free);
    vesh::signal_only_left_inlet(ffdelay_class);
    vesh::add_block_dsp<ffdelay_block, ffdelay_prepare>(ffdelay_class);
    vesh::add_method(ffdelay_class, "clear", ffdelay_clear);
    vesh::add_method_defaults(ffdelay_class, "size", ffdelay_size);
    vesh::add_method_defaults(ffdelay_class, "freeze", ffdelay_freeze);
}
