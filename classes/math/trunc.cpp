// trunc: a float, or each element of a list, without its fractional part.
#include "conversion_kernel.hpp"
#include "converter.hpp"
#include "vesh.hpp"

namespace {

float convert(float x) {
    return vesh::conversion::trunc(x);
}

}  // namespace

VESH_SETUP {
    vesh::converter<convert, 0>::setup(VESH_CLASS_NAME);
}
