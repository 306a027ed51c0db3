// rint: rounds a float, or each element of a list, to the nearest whole
// number, halves to even. The right inlet sets the value a bang rounds.
#include "conversion_kernel.hpp"
#include "converter.hpp"
#include "vesh.hpp"

namespace {

float convert(float x) {
    return vesh::conversion::rint(x);
}

}  // namespace

VESH_SETUP {
    vesh::converter<convert, vesh::stored | vesh::argument | vesh::value_inlet>::setup(
        VESH_CLASS_NAME);
}
