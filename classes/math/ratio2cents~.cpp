// ratio2cents~: a frequency ratio to cents, sample by sample; minus infinity
// for a ratio of 0 or below.
#include "conversion_kernel.hpp"
#include "converter.hpp"
#include "vesh.hpp"

namespace {

float convert(float x) {
    return vesh::conversion::ratio2cents(x);
}

}  // namespace

VESH_SETUP {
    vesh::signal_converter<convert>::setup(VESH_CLASS_NAME);
}
