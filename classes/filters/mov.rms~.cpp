// mov.rms~: moving RMS over a window whose length in samples is a signal,
// as a level or in dB.
#include "moving.hpp"

#include <cmath>

namespace {

struct Rms {
    static constexpr int inline_size = 1024;
    static constexpr const char *flag = "-db";
    static constexpr const char *improper = "[mov.rms~]: improper args";

    template <bool Db>
    struct with {
        static double value(t_sample x) { return static_cast<double>(x) * x; }
        // 20 log10(rms), at least -999 (silence reads -999).
        static t_sample out(vesh::moving::Sum &s, double *ring, double v, int n) {
            const double mean = s.enter(ring, v, n) / n;
            const double rms = mean > 0 ? std::sqrt(mean) : 0;
            if constexpr (Db) {
                return static_cast<t_sample>(std::fmax(8.685889638065209 * std::log(rms), -999));
            }
            return static_cast<t_sample>(rms);
        }
    };
};

}  // namespace

VESH_SETUP {
    t_class *c = vesh::moving::setup<Rms>();
    vesh::add_method(c, "db", vesh::moving::mode_on<Rms>);
    vesh::add_method(c, "linear", vesh::moving::mode_off<Rms>);
}
