// nyquist~: reports half the host's sample rate, in Hz, kHz, or the period in
// ms or s, on request, at load and after a DSP start at a new rate.
#include "audio_environment.hpp"
#include "vesh.hpp"

namespace {

struct t_nyquist {
    t_object x_obj;
    vesh::t_rate_report rate;
};

t_class *nyquist_class;

// Only a leading symbol counts: a unit flag, or the creation fails.
t_nyquist *nyquist_new(t_symbol *, int argc, t_atom *argv) {
    vesh::RateUnit unit{0, 0};
    if (argc > 0 && argv[0].a_type == A_SYMBOL &&
        !vesh::rate_unit_flag(argv[0].a_w.w_symbol, unit)) {
        return vesh::improper_args<t_nyquist>("[nyquist~]: improper args");
    }
    auto *x = vesh::new_object<t_nyquist>(nyquist_class);
    vesh::rate_report_init(x, unit, 0.5f);
    return x;
}

}  // namespace

VESH_SETUP {
    nyquist_class = vesh::new_rate_class<t_nyquist>(VESH_CLASS_NAME, nyquist_new);
}
