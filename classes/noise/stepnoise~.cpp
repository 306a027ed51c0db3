// stepnoise~: random values in [-1, 1], each held for one period of a rate in Hz.
#include "random_line.hpp"

VESH_SETUP {
    vesh::noise_line::setup_plain<false>();
}
