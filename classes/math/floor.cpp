// floor: the largest whole number at or below a float, or each element of a list.
#include "conversion_kernel.hpp"
#include "converter.hpp"
#include "vesh.hpp"

namespace {

float convert(float x) {
    return vesh::conversion::floor(x);
}

}  // namespace

VESH_SETUP {
    vesh::converter<convert, vesh::stored | vesh::set_method>::setup(VESH_CLASS_NAME);
}
