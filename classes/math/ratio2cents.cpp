// ratio2cents: a frequency ratio to cents, of a float or of each element of a
// list; minus infinity for a ratio of 0 or below.
#include "conversion_kernel.hpp"
#include "converter.hpp"
#include "vesh.hpp"

namespace {

float convert(float x) {
    return vesh::conversion::ratio2cents(x);
}

}  // namespace

VESH_SETUP {
    vesh::converter<convert, vesh::stored | vesh::argument | vesh::set_method>::setup(
        VESH_CLASS_NAME);
}
