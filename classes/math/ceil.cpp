// ceil: the smallest whole number at or above a float, or each element of a list.
#include "conversion_kernel.hpp"
#include "converter.hpp"
#include "vesh.hpp"

namespace {

float convert(float x) {
    return vesh::conversion::ceil(x);
}

}  // namespace

VESH_SETUP {
    vesh::converter<convert, vesh::stored | vesh::set_method>::setup(VESH_CLASS_NAME);
}
