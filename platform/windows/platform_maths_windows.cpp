// Windows side of the platform layer: a fast single-precision sine with MinGW's own results.
//
// MinGW's sinf is the x87 fsin instruction behind two conversions, about 40 ns a call, and the
// terrain bake alone makes some 40 million calls at start-up. The Windows toolchain links every
// sinf call here instead (-Wl,--wrap=sinf in cmake/mingw-w64.cmake): a double-precision sine
// rounded to float, which is MinGW's answer bit for bit wherever the error bounds prove it; where
// they cannot (a result within 2^-44 of a rounding boundary, tiny, huge or non-finite input) the
// x87 sine answers itself. Nothing computed with sinf changes, it only gets faster.

extern "C" float __real_sinf(float x);
extern "C" float __wrap_sinf(float x);

namespace {

constexpr double INV_PIO2 = 0x1.45f306dc9c883p-1;        // 2 / pi
// pi / 2 in three parts; the first two have 33 bits, so k times either is exact for |k| < 2^20.
constexpr double PIO2_1 = 0x1.921fb544p+0;
constexpr double PIO2_2 = 0x1.0b4611a6p-34;
constexpr double PIO2_3 = 0x1.3198a2e037073p-69;
constexpr double ROUND_TO_INTEGER = 0x1.8p52;             // (v + it) - it rounds v to an integer
// Outside this range the x87 sine answers: tiny results come near the denormals, and beyond it the
// x87 argument reduction's own error (about |x| * 2^-66) would outgrow the absolute margin below.
constexpr double FAST_MIN = 0x1p-20;
constexpr double FAST_MAX = 512.0;
// How far the x87 result may lie from the exact sine: relative (conversions, evaluation) and
// absolute (the x87 unit's 66-bit pi), each with a wide margin over the bounds.
constexpr double MARGIN_RELATIVE = 0x1p-44;
constexpr double MARGIN_ABSOLUTE = 0x1p-55;

// Taylor series on |r| <= pi/4: the first omitted terms are below 2^-62 of the result.
inline double SinSeries(double r, double z)
{
    double p = 0x1.952c77030ad4ap-49;           // 1/17!
    p = p * z - 0x1.ae7f3e733b81fp-41;          // -1/15!
    p = p * z + 0x1.6124613a86d09p-33;          // 1/13!
    p = p * z - 0x1.ae64567f544e4p-26;          // -1/11!
    p = p * z + 0x1.71de3a556c734p-19;          // 1/9!
    p = p * z - 0x1.a01a01a01a01ap-13;          // -1/7!
    p = p * z + 0x1.1111111111111p-7;           // 1/5!
    p = p * z - 0x1.5555555555555p-3;           // -1/3!
    return r + r * z * p;
}

inline double CosSeries(double z)
{
    double p = -0x1.6827863b97d97p-53;          // -1/18!
    p = p * z + 0x1.ae7f3e733b81fp-45;          // 1/16!
    p = p * z - 0x1.93974a8c07c9dp-37;          // -1/14!
    p = p * z + 0x1.1eed8eff8d898p-29;          // 1/12!
    p = p * z - 0x1.27e4fb7789f5cp-22;          // -1/10!
    p = p * z + 0x1.a01a01a01a01ap-16;          // 1/8!
    p = p * z - 0x1.6c16c16c16c17p-10;          // -1/6!
    p = p * z + 0x1.5555555555555p-5;           // 1/4!
    return 1.0 - 0.5 * z + z * z * p;
}

}  // namespace

float __wrap_sinf(float x)
{
    double d = x;
    double magnitude = d < 0.0 ? -d : d;
    if (!(magnitude >= FAST_MIN && magnitude <= FAST_MAX)) return __real_sinf(x);  // NaN too
    // x = k pi/2 + r with |r| <= pi/4; the first subtraction is exact (the two are within a factor 2).
    double k = (d * INV_PIO2 + ROUND_TO_INTEGER) - ROUND_TO_INTEGER;
    double r = ((d - k * PIO2_1) - k * PIO2_2) - k * PIO2_3;
    double z = r * r;
    int quadrant = (int)k & 3;  // k mod 4, also for negative k
    double s = (quadrant & 1) ? CosSeries(z) : SinSeries(r, z);
    if (quadrant & 2) s = -s;
    // Every value the x87 path could have produced rounds to the same float: that float is its result.
    double margin = (s < 0.0 ? -s : s) * MARGIN_RELATIVE + MARGIN_ABSOLUTE;
    float low = (float)(s - margin);
    float high = (float)(s + margin);
    return low == high ? low : __real_sinf(x);
}
