// SPDX-License-Identifier: GPL-3.0-or-later
// The natural logarithm in single precision as the GNU C library's logf()
// computes it (glibc 2.28 and later), carried inside the program so that
// the automatic population size and generation count, which round it down,
// come out the same whatever the platform's logf().
#ifndef QUARRIMEL_ENGINES_GLIBC_LOGF_H_
#define QUARRIMEL_ENGINES_GLIBC_LOGF_H_

// ln(x) rounded as glibc's logf(x) rounds it.
// REQUIRES: x is finite and at least 1.
float GlibcLogf(float x);

#endif  // QUARRIMEL_ENGINES_GLIBC_LOGF_H_
