// sin, cos, sincos and sincosf for the Windows plug-ins, linked into each one ahead of
// the C runtime's.
//
// MinGW's own hand the angle straight to the x87 instruction, which reduces
// it by multiples of pi/2 with pi to 66 bits only: near each multiple of pi
// most of the result is lost (sin(pi) comes out right to 19 bits), so a filter
// tuned close to the Nyquist frequency would give other samples on Windows
// than on Linux. These reduce the angle themselves, in extended precision with
// pi/2 to 144 bits, and leave the instruction only |r| <= pi/4, which it gets
// right to 64 bits; the double they round to is then the correctly rounded
// one but in rare cases, as with the Linux C library.
#include <cmath>

namespace {

constexpr long double two_over_pi = 0xa2f9836e4e441529p-64L;
constexpr long double pio2_1 = 0xc90fdaa221p-39L;         // pi/2 to 40 bits
constexpr long double pio2_2 = 0xd18469898cp-80L;         // its next 40 bits
constexpr long double pio2_3 = 0xc51701b839a25204p-144L;  // its next 64 bits
// Below this k < 2^20, so k * pio2_1 and k * pio2_2 are exact.
constexpr double reduced_below = 1e6;

// The x87 unit at its full 64-bit precision while in scope: the reduction
// needs it, whatever the host process set. Values pass in and out through
// `hold`, which keeps the compiler from moving their arithmetic out of scope.
class extended_precision {
   public:
    extended_precision() {
        __asm__ volatile("fnstcw %0" : "=m"(saved_));
        const unsigned short full = saved_ | 0x300;
        __asm__ volatile("fldcw %0" : : "m"(full));
    }
    ~extended_precision() { __asm__ volatile("fldcw %0" : : "m"(saved_)); }
    extended_precision(const extended_precision &) = delete;
    extended_precision &operator=(const extended_precision &) = delete;

    static long double hold(long double v) {
        __asm__ volatile("" : "+t"(v));
        return v;
    }

   private:
    unsigned short saved_;
};

// sin(x + quarter * pi/2): x = k * pi/2 + r, then the quadrant of k + quarter
// picks sin r, cos r, -sin r or -cos r.
double quarter_sine(double x, int quarter) {
    if (!(std::fabs(x) < reduced_below)) {
        return static_cast<double>(quarter ? cosl(x) : sinl(x));  // huge, infinite or NaN
    }
    long double y;
    {
        const extended_precision scope;
        const long double xl = extended_precision::hold(x);
        const long double k = nearbyintl(xl * two_over_pi);
        const long double r = ((xl - k * pio2_1) - k * pio2_2) - k * pio2_3;
        const long long quadrant = (static_cast<long long>(k) + quarter) & 3;
        y = quadrant & 1 ? cosl(r) : sinl(r);
        y = extended_precision::hold(quadrant & 2 ? -y : y);
    }
    return static_cast<double>(y);
}

}  // namespace

extern "C" {

double sin(double x) {
    return quarter_sine(x, 0);
}

double cos(double x) {
    return quarter_sine(x, 1);
}

void sincos(double x, double *s, double *c) {
    *s = quarter_sine(x, 0);
    *c = quarter_sine(x, 1);
}

// The runtime keeps sincosf beside its sincos, so a plug-in calling it would
// link both; the float pair rounds the double one, as correctly as the Linux
// library rounds its own.
void sincosf(float x, float *s, float *c) {
    *s = static_cast<float>(quarter_sine(x, 0));
    *c = static_cast<float>(quarter_sine(x, 1));
}

}  // extern "C"
