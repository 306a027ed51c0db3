// rint~: each sample rounded to the nearest whole number, halves to even.
#include "conversion_kernel.hpp"
#include "converter.hpp"
#include "vesh.hpp"

namespace {

float convert(float x) {
    return vesh::conversion::rint(x);
}

}  // namespace

VESH_SETUP {
    vesh::signal_converter<convert>::setup(VESH_CLASS_NAME);
}
