// SPDX-License-Identifier: GPL-3.0-or-later
// The method and the constants of this file are those of the logf() of the
// GNU C library (LGPL-2.1-or-later), which has them from Arm's
// optimized-routines (Copyright (c) 2017 Arm Limited, MIT licence); both
// licences allow their use in this program under the GPL-3.0-or-later.
#include "engines/glibc_logf.h"

#include <cstdint>
#include <cstring>

// glibc's logf() is not correctly rounded: for n + 1 = 1579, for instance,
// it gives 0x1.d754bcp+2 where ln(1579) lies just above the midpoint of
// that float and the next. The double-precision log rounded to float
// differs from it at 3257 of the values n + 1 takes for n up to 10^8. This
// is the glibc algorithm itself (sysdeps/ieee754/flt-32/e_logf.c, from
// ARM's optimized-routines), with its tables: x = 2^k z, z near a centre c
// of one of 16 subintervals, ln x = ln(z/c) + ln c + k ln 2, ln(z/c) by a
// polynomial in r = z/c - 1, everything in double and rounded to float once.
// It uses only IEEE double additions and multiplications, so it gives the
// same bits on every processor that evaluates double in double (the build
// turns off the fusing of a*b + c, see CMakeLists.txt). The test checks it
// equal to the C library's logf() wherever that is glibc; it was also found
// equal, and equal to the same steps computed with fused multiply-adds as
// glibc's FMA variant on x86-64 computes them, for every float from 1 up.

namespace {

struct Entry {
  double invc;  // 1/c, c near the centre of the subinterval.
  double logc;  // ln c.
};

constexpr int kTableBits = 4;
constexpr int kTableSize = 1 << kTableBits;
// The bits of 0x1.66p-1: z is reduced into [0x1.66p-1, 0x1.66p+0).
constexpr std::uint32_t kOffset = 0x3f330000;

constexpr Entry kTable[kTableSize] = {
    {0x1.661ec79f8f3bep+0, -0x1.57bf7808caadep-2},
    {0x1.571ed4aaf883dp+0, -0x1.2bef0a7c06ddbp-2},
    {0x1.49539f0f010bp+0, -0x1.01eae7f513a67p-2},
    {0x1.3c995b0b80385p+0, -0x1.b31d8a68224e9p-3},
    {0x1.30d190c8864a5p+0, -0x1.6574f0ac07758p-3},
    {0x1.25e227b0b8eap+0, -0x1.1aa2bc79c81p-3},
    {0x1.1bb4a4a1a343fp+0, -0x1.a4e76ce8c0e5ep-4},
    {0x1.12358f08ae5bap+0, -0x1.1973c5a611cccp-4},
    {0x1.0953f419900a7p+0, -0x1.252f438e10c1ep-5},
    {0x1p+0, 0x0p+0},
    {0x1.e608cfd9a47acp-1, 0x1.aa5aa5df25984p-5},
    {0x1.ca4b31f026aap-1, 0x1.c5e53aa362eb4p-4},
    {0x1.b2036576afce6p-1, 0x1.526e57720db08p-3},
    {0x1.9c2d163a1aa2dp-1, 0x1.bc2860d22477p-3},
    {0x1.886e6037841edp-1, 0x1.1058bc8a07ee1p-2},
    {0x1.767dcf5534862p-1, 0x1.4043057b6ee09p-2},
};
constexpr double kLn2 = 0x1.62e42fefa39efp-1;
// ln(1 + r) ~ r + kPoly[2] r^2 + kPoly[1] r^3 + kPoly[0] r^4, evaluated
// in glibc's order below.
constexpr double kPoly[3] = {-0x1.00ea348b88334p-2, 0x1.5575b0be00b6ap-2,
                             -0x1.ffffef20a4123p-2};

}  // namespace

float GlibcLogf(float x) {
  std::uint32_t ix;
  std::memcpy(&ix, &x, sizeof ix);
  if (ix == 0x3f800000) return 0;  // ln 1, +0 in every rounding mode.
  // x = 2^k z with z in [kOffset, 2 kOffset); i picks z's subinterval.
  const std::uint32_t tmp = ix - kOffset;
  const int i = static_cast<int>((tmp >> (23 - kTableBits)) % kTableSize);
  const int k = static_cast<int>(tmp >> 23);  // x >= 1 keeps tmp below 2^31.
  const std::uint32_t iz = ix - (tmp & 0xff800000u);
  float zf;
  std::memcpy(&zf, &iz, sizeof zf);
  const double z = zf;
  const double r = z * kTable[i].invc - 1;
  const double y0 = kTable[i].logc + static_cast<double>(k) * kLn2;
  const double r2 = r * r;
  double y = kPoly[1] * r + kPoly[2];
  y = kPoly[0] * r2 + y;
  y = y * r2 + (y0 + r);
  return static_cast<float>(y);
}
