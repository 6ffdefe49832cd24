// The SIMD128 lane types against the portable ones, operation by operation,
// on values that tell implementations apart: signed zeros, subnormals, the
// largest finite values, infinities, NaNs of both signs, and the edges of the
// int32 range. Every lane of every answer must have the portable form's bits
// (a NaN answer of an arithmetic operation: a NaN). Prints one line per
// difference and exits 1 on any.
#include "simd_lanes_portable.h"
#include "simd_lanes_wasm.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace {

namespace P = se_lanes::portable;
namespace W = se_lanes::wasm128;

int g_failures = 0;

const std::vector<float> &Floats() {
  static const std::vector<float> v = [] {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    return std::vector<float>{
        0.0f,           -0.0f,  1.0f,    -1.0f,         0.5f,          -2.5f,
        123.75f,        1e-40f, -1e-40f, 3.4e38f,       -3.4e38f,      inf,
        -inf,           nan,    -nan,    2147483520.0f, 2147483648.0f, -2147483648.0f,
        -2147483904.0f, 1e10f,  -1e10f,  0.999999f,     -0.999999f,    16777217.0f};
  }();
  return v;
}

const std::vector<double> &Doubles() {
  static const std::vector<double> v = [] {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return std::vector<double>{
        0.0,           -0.0,    1.0,           -1.0,         0.5,           -2.5,
        1e-310,        -1e-310, 1.7e308,       -1.7e308,     inf,           -inf,
        nan,           -nan,    2147483647.75, 2147483648.0, -2147483648.0, -2147483648.5,
        -2147483649.0, 1e10,    -1e10,         1e-30,        3.0000001,     -0.75};
  }();
  return v;
}

template <class T> bool SameBits(T a, T b) { return std::memcmp(&a, &b, sizeof a) == 0; }
template <class T> bool SameValue(T a, T b) {
  return SameBits(a, b) || (std::isnan(a) && std::isnan(b));
}

void Fail(const char *op, int window, int lane) {
  std::printf("differs: %s, values from %d, lane %d\n", op, window, lane);
  ++g_failures;
}

template <class T>
void Expect(const char *op, int window, const T *want, const T *got, bool arithmetic) {
  for (int l = 0; l < 4; ++l)
    if (arithmetic ? !SameValue(want[l], got[l]) : !SameBits(want[l], got[l]))
      Fail(op, window, l);
}

void ExpectInts(const char *op, int window, const int32_t *want, const int32_t *got) {
  for (int l = 0; l < 4; ++l)
    if (want[l] != got[l])
      Fail(op, window, l);
}

void ExpectBits(const char *op, int window, int want, int got) {
  if (want != got)
    Fail(op, window, -1);
}

// Four values from the table starting at `w`, and the four after a shift.
template <class T> void Window(const std::vector<T> &v, int w, int shift, T *out) {
  for (int l = 0; l < 4; ++l)
    out[l] = v[(static_cast<size_t>(w) + static_cast<size_t>(l) * shift) % v.size()];
}

void FloatOperations(int w, int shift) {
  float a[4], b[4], want[4], got[4];
  Window(Floats(), w, 1, a);
  Window(Floats(), w + 3, shift, b);
  const P::F32x4 pa = P::F32x4::Load(a), pb = P::F32x4::Load(b);
  const W::F32x4 wa = W::F32x4::Load(a), wb = W::F32x4::Load(b);
#define SE_CHECK_FLOAT(name, expr_p, expr_w, arithmetic)                                           \
  (expr_p).Store(want);                                                                            \
  (expr_w).Store(got);                                                                             \
  Expect(name, w, want, got, arithmetic);
  SE_CHECK_FLOAT("f32 +", pa + pb, wa + wb, true)
  SE_CHECK_FLOAT("f32 -", pa - pb, wa - wb, true)
  SE_CHECK_FLOAT("f32 *", pa * pb, wa * wb, true)
  SE_CHECK_FLOAT("f32 /", pa / pb, wa / wb, true)
  SE_CHECK_FLOAT("f32 GreaterOf", GreaterOf(pa, pb), GreaterOf(wa, wb), false)
  SE_CHECK_FLOAT("f32 LessOf", LessOf(pa, pb), LessOf(wa, wb), false)
  SE_CHECK_FLOAT("f32 Abs", Abs(pa), Abs(wa), false)
  SE_CHECK_FLOAT("f32 Select(Less)", Select(Less(pa, pb), pa, pb), Select(Less(wa, wb), wa, wb),
                 false)
  SE_CHECK_FLOAT("f32 TruncatedFloats", TruncatedFloats(pa), TruncatedFloats(wa), false)
  SE_CHECK_FLOAT("f32 FromScalars", P::F32x4::FromScalars(a), W::F32x4::FromScalars(a), false)
  SE_CHECK_FLOAT("f32 broadcast", P::F32x4(a[1]), W::F32x4(a[1]), false)
#undef SE_CHECK_FLOAT
  ExpectBits("f32 Less", w, LaneBits(Less(pa, pb)), LaneBits(Less(wa, wb)));
  ExpectBits("f32 Greater", w, LaneBits(Greater(pa, pb)), LaneBits(Greater(wa, wb)));
  ExpectBits("f32 LessEqual", w, LaneBits(LessEqual(pa, pb)), LaneBits(LessEqual(wa, wb)));
  ExpectBits("f32 GreaterEqual", w, LaneBits(GreaterEqual(pa, pb)), LaneBits(GreaterEqual(wa, wb)));
  ExpectBits("f32 IsNaN", w, LaneBits(IsNaN(pa)), LaneBits(IsNaN(wa)));

  int32_t wantInts[4], gotInts[4];
  TruncateToInts(pa, wantInts);
  TruncateToInts(wa, gotInts);
  ExpectInts("f32 TruncateToInts", w, wantInts, gotInts);
  P::FloatsOfInts(wantInts).Store(want);
  W::FloatsOfInts(wantInts).Store(got);
  Expect("FloatsOfInts", w, want, got, false);

  // Widened to double, narrowed back.
  double wideWant[4], wideGot[4];
  P::F64x4(pa).Store(wideWant);
  W::F64x4(wa).Store(wideGot);
  Expect("f32 to F64x4", w, wideWant, wideGot, false);
  // A float comparison selecting doubles.
  const P::F64x4 pd = P::F64x4(pa), pe = P::F64x4(pb);
  const W::F64x4 wd = W::F64x4(wa), we = W::F64x4(wb);
  Select(Greater(pa, pb), pd, pe).Store(wideWant);
  Select(Greater(wa, wb), wd, we).Store(wideGot);
  Expect("Select(f32 mask, F64x4)", w, wideWant, wideGot, false);
}

void DoubleOperations(int w, int shift) {
  double a[4], b[4], want[4], got[4];
  Window(Doubles(), w, 1, a);
  Window(Doubles(), w + 5, shift, b);
  const P::F64x4 pa = P::F64x4::Load(a), pb = P::F64x4::Load(b);
  const W::F64x4 wa = W::F64x4::Load(a), wb = W::F64x4::Load(b);
#define SE_CHECK_DOUBLE(name, expr_p, expr_w, arithmetic)                                          \
  (expr_p).Store(want);                                                                            \
  (expr_w).Store(got);                                                                             \
  Expect(name, w, want, got, arithmetic);
  SE_CHECK_DOUBLE("f64 +", pa + pb, wa + wb, true)
  SE_CHECK_DOUBLE("f64 -", pa - pb, wa - wb, true)
  SE_CHECK_DOUBLE("f64 *", pa * pb, wa * wb, true)
  SE_CHECK_DOUBLE("f64 /", pa / pb, wa / wb, true)
  SE_CHECK_DOUBLE("f64 GreaterOf", GreaterOf(pa, pb), GreaterOf(wa, wb), false)
  SE_CHECK_DOUBLE("f64 LessOf", LessOf(pa, pb), LessOf(wa, wb), false)
  SE_CHECK_DOUBLE("f64 Abs", Abs(pa), Abs(wa), false)
  SE_CHECK_DOUBLE("f64 Select(Greater)", Select(Greater(pa, pb), pa, pb),
                  Select(Greater(wa, wb), wa, wb), false)
  SE_CHECK_DOUBLE("f64 TruncatedDoubles", TruncatedDoubles(pa), TruncatedDoubles(wa), false)
  SE_CHECK_DOUBLE("f64 FromScalars", P::F64x4::FromScalars(a), W::F64x4::FromScalars(a), false)
#undef SE_CHECK_DOUBLE
  ExpectBits("f64 Less", w, LaneBits(Less(pa, pb)), LaneBits(Less(wa, wb)));
  ExpectBits("f64 Greater", w, LaneBits(Greater(pa, pb)), LaneBits(Greater(wa, wb)));
  ExpectBits("f64 LessEqual", w, LaneBits(LessEqual(pa, pb)), LaneBits(LessEqual(wa, wb)));
  ExpectBits("f64 GreaterEqual", w, LaneBits(GreaterEqual(pa, pb)), LaneBits(GreaterEqual(wa, wb)));
  ExpectBits("f64 IsNaN", w, LaneBits(IsNaN(pa)), LaneBits(IsNaN(wa)));

  int32_t wantInts[4], gotInts[4];
  TruncateToInts(pa, wantInts);
  TruncateToInts(wa, gotInts);
  ExpectInts("f64 TruncateToInts", w, wantInts, gotInts);
  float narrowWant[4], narrowGot[4];
  Narrow(pa).Store(narrowWant);
  Narrow(wa).Store(narrowGot);
  Expect("f64 Narrow", w, narrowWant, narrowGot, false);
}

void IntegerAndLaneOperations(int w) {
  uint32_t a[4], b[4];
  for (int l = 0; l < 4; ++l) {
    a[l] = std::bit_cast<uint32_t>(Floats()[(static_cast<size_t>(w) + l) % Floats().size()]);
    b[l] = 0x9e3779b9u * static_cast<uint32_t>(w * 4 + l + 1);
  }
  const P::U32x4 pa = P::U32x4::FromScalars(a), pb = P::U32x4::FromScalars(b);
  const W::U32x4 wa = W::U32x4::FromScalars(a), wb = W::U32x4::FromScalars(b);
  uint32_t want[4], got[4];
  const auto expect = [&](const char *op) {
    for (int l = 0; l < 4; ++l)
      if (want[l] != got[l])
        Fail(op, w, l);
  };
  (pa + pb).Store(want), (wa + wb).Store(got), expect("u32 +");
  (pa & pb).Store(want), (wa & wb).Store(got), expect("u32 &");
  (pa | pb).Store(want), (wa | wb).Store(got), expect("u32 |");
  P::ShiftRight<9>(pa).Store(want), W::ShiftRight<9>(wa).Store(got), expect("u32 >> 9");
  P::ShiftRight<23>(pb).Store(want), W::ShiftRight<23>(wb).Store(got), expect("u32 >> 23");
  float fw[4], fg[4];
  FloatBits(pa).Store(fw);
  FloatBits(wa).Store(fg);
  Expect("FloatBits", w, fw, fg, false);

  const int bits = w % 16;
  ExpectBits("MaskOfBits", w, LaneBits(P::MaskOfBits(bits)), LaneBits(W::MaskOfBits(bits)));
  ExpectBits("MaskOfBits as f64 select", w, bits, LaneBits(Widen(W::MaskOfBits(bits))));

  // Four streams read and written lane by lane.
  float streams[4][3] = {};
  for (int l = 0; l < 4; ++l)
    for (int i = 0; i < 3; ++i)
      streams[l][i] = Floats()[(static_cast<size_t>(w) + 3 * l + i) % Floats().size()];
  const float *in[4] = {streams[0], streams[1], streams[2], streams[3]};
  P::Gather(in, 2).Store(fw);
  W::Gather(in, 2).Store(fg);
  Expect("Gather", w, fw, fg, false);
  float outWant[4][3] = {}, outGot[4][3] = {};
  float *pw[4] = {outWant[0], outWant[1], outWant[2], outWant[3]};
  float *pg[4] = {outGot[0], outGot[1], outGot[2], outGot[3]};
  P::Scatter(P::Gather(in, 1), pw, 1);
  W::Scatter(W::Gather(in, 1), pg, 1);
  if (std::memcmp(outWant, outGot, sizeof outWant) != 0)
    Fail("Scatter", w, -1);
}

} // namespace

int main() {
  int checks = 0;
  for (int shift = 1; shift <= 5; shift += 2) {
    for (int w = 0; w < static_cast<int>(Floats().size()); ++w, ++checks)
      FloatOperations(w, shift);
    for (int w = 0; w < static_cast<int>(Doubles().size()); ++w, ++checks)
      DoubleOperations(w, shift);
  }
  for (int w = 0; w < 64; ++w, ++checks)
    IntegerAndLaneOperations(w);
  std::printf("%d windows of lane operations, %d differences\n", checks, g_failures);
  return g_failures == 0 ? 0 : 1;
}
