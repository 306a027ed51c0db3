// dust~: impulses of random height in [0, 1) at random times, a given number per second on average.
#include "dust.hpp"

VESH_SETUP {
    vesh::dust::setup<false>();
}
