// cents2ratio: cents to a frequency ratio, of a float or of each element of a list.
#include "conversion_kernel.hpp"
#include "converter.hpp"
#include "vesh.hpp"

namespace {

float convert(float x) {
    return vesh::conversion::cents2ratio(x);
}

}  // namespace

VESH_SETUP {
    vesh::converter<convert, vesh::stored | vesh::argument | vesh::set_method>::setup(
        VESH_CLASS_NAME);
}
