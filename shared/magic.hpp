// Two meanings for one secondary signal inlet.
//
// With a signal connected, an oscillator reads the inlet sample by sample.
// Without one, a float sent to the inlet is a one-shot event: the perform
// routine applies the scalar once and then marks it with a NaN, so that it is
// not applied again until a new float replaces the marker.
#pragma once

#include <m_pd.h>
#include <g_canvas.h>
// This host header lacks its own C linkage block.
extern "C" {
#include <m_imp.h>
}

#include <bit>
#include <cstdint>

namespace vesh {

// The marker: a quiet NaN with every mantissa bit set.
inline constexpr uint32_t magic_marker_bits = 0x7fffffffu;

inline void magic_setnan(t_float *scalar) {
    *scalar = std::bit_cast<float>(magic_marker_bits);
}

// NaN of either sign; infinities are real values here.
constexpr int magic_isnan(float f) {
    const uint32_t bits = std::bit_cast<uint32_t>(f);
    return (bits & 0x7f800000u) == 0x7f800000u && (bits & 0x7fffffu) != 0;
}

// 1 when `canvas` has a connection into inlet `inlet` of `object` that starts
// at an outlet of type `outlet_type` (any outlet when it is null).
inline int magic_inlet_connection(t_object *object, t_glist *canvas, int inlet,
                                  t_symbol *outlet_type) {
    t_linetraverser t;
    linetraverser_start(&t, canvas);
    while (linetraverser_next(&t)) {
        if (t.tr_ob2 != object || t.tr_inno != inlet) continue;
        if (!outlet_type || outlet_getsymbol(t.tr_outlet) == outlet_type) return 1;
    }
    return 0;
}

}  // namespace vesh
