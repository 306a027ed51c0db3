// dust2~: impulses of random value in [-1, 1) at random times, a given number per second on
// average.
#include "dust.hpp"

VESH_SETUP {
    vesh::dust::setup<true>();
}
