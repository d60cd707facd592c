// Evaluates an expression given as separate words: fractions in any form the core reads, and the
// operators + - * / ^ (also x for *, and : for /), with the usual precedence.
#ifndef QUORVEX_EXAMPLES_CALC_EVALUATE_H
#define QUORVEX_EXAMPLES_CALC_EVALUATE_H

#include <string>
#include <vector>

#include "fract.h"

struct Evaluation {
  bool ok = false;
  fract value = {0, 1};
  std::string error;  // when not ok
};

Evaluation evaluate(const std::vector<std::string>& words);

#endif  // QUORVEX_EXAMPLES_CALC_EVALUATE_H
