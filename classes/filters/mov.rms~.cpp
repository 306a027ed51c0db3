// mov.rms~: moving RMS over a window whose length in samples is a signal,
// as a level or in dB.
#include "moving.hpp"

namespace {

struct Rms {
    static constexpr int inline_size = 1024;
    static constexpr const char *flag = "-db";
    static constexpr const char *improper = "[mov.rms~]: improper args";

    template <bool Mode>
    using with = vesh::moving::rms<Mode>;
};

}  // namespace

VESH_SETUP {
    t_class *c = vesh::moving::setup<Rms>();
    vesh::add_method(c, "db", vesh::moving::mode_on<Rms>);
    vesh::add_method(c, "linear", vesh::moving::mode_off<Rms>);
}
