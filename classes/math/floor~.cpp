// floor~: the largest whole number at or below each sample.
#include "conversion_kernel.hpp"
#include "converter.hpp"
#include "vesh.hpp"

namespace {

float convert(float x) {
    return vesh::conversion::floor(x);
}

}  // namespace

VESH_SETUP {
    vesh::signal_converter<convert>::setup(VESH_CLASS_NAME);
}
