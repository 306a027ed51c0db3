// rampnoise~: a random line, ramping from one value in [-1, 1] to the next, a new one at a rate in
// Hz.
#include "random_line.hpp"

VESH_SETUP {
    vesh::noise_line::setup_plain<true>();
}
