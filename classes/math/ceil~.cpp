// ceil~: the smallest whole number at or above each sample.
#include "conversion_kernel.hpp"
#include "converter.hpp"
#include "vesh.hpp"

namespace {

float convert(float x) {
    return vesh::conversion::ceil(x);
}

}  // namespace

VESH_SETUP {
    vesh::signal_converter<convert>::setup(VESH_CLASS_NAME);
}
