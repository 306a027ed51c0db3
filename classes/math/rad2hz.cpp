// rad2hz: radians per sample to hertz, of a float or of each element of a list.
// The sample rate is asked of the host at every message.
#include "conversion_kernel.hpp"
#include "converter.hpp"
#include "vesh.hpp"

namespace {

float convert(float x) {
    return x * vesh::conversion::rad2hz_factor(sys_getsr());
}

}  // namespace

VESH_SETUP {
    vesh::converter<convert, vesh::stored | vesh::argument | vesh::set_method>::setup(
        VESH_CLASS_NAME);
}
