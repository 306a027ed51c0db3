// trunc~: each sample without its fractional part.
#include "conversion_kernel.hpp"
#include "converter.hpp"
#include "vesh.hpp"

namespace {

float convert(float x) {
    return vesh::conversion::trunc(x);
}

}  // namespace

VESH_SETUP {
    vesh::signal_converter<convert>::setup(VESH_CLASS_NAME);
}
