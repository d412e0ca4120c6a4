// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/progress.h"

ProgressObserver& NoProgress() {
  static ProgressObserver nobody;
  return nobody;
}
