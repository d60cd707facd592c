#include "evaluate.h"

#include <cstddef>

namespace {

bool isOperator(const std::string& w) {
  return w == "+" || w == "-" || w == "*" || w == "x" || w == "/" || w == ":" || w == "^";
}

// Recursive descent over the words: sum := product (('+'|'-') product)*,
// product := power (('*'|'/') power)*, power := operand ('^' power)?.
class Evaluator {
 public:
  explicit Evaluator(const std::vector<std::string>& words) : words_(words) {}

  Evaluation run() {
    Evaluation e;
    if (words_.empty()) return fail("nothing to evaluate");
    if (!sum(e.value)) return fail(error_);
    if (at_ < words_.size()) return fail("expected an operator before \"" + words_[at_] + "\"");
    e.ok = true;
    return e;
  }

 private:
  bool sum(fract& v) {
    if (!product(v)) return false;
    while (peek("+") || peek("-")) {
      const bool minus = words_[at_++] == "-";
      fract rhs, r;
      if (!product(rhs)) return false;
      if (!(minus ? sub(r, v, rhs) : add(r, v, rhs))) return overflow();
      v = r;
    }
    return true;
  }

  bool product(fract& v) {
    if (!power(v)) return false;
    while (peek("*") || peek("x") || peek("/") || peek(":")) {
      const std::string& op = words_[at_++];
      const bool divide = op == "/" || op == ":";
      fract rhs, r;
      if (!power(rhs)) return false;
      if (divide && rhs.num == 0) return setError("division by zero");
      if (!(divide ? div(r, v, rhs) : mul(r, v, rhs))) return overflow();
      v = r;
    }
    return true;
  }

  bool power(fract& v) {
    if (!operand(v)) return false;
    if (!peek("^")) return true;
    ++at_;
    fract exponent;
    if (!power(exponent)) return false;  // right-associative: 2 ^ 3 ^ 2 is 2 ^ 9
    if (exponent.den != 1) return setError("an exponent must be an integer");
    if (exponent.num == 0) {
      if (v.num == 0) return setError("0 ^ 0 is undefined");
      v = fract{1, 1};
      return true;
    }
    if (v.num == 0) {
      if (exponent.num < 0) return setError("division by zero");
      return true;  // zero to a positive power, keeping its denominator
    }
    fract r;
    if (!myPow(r, v, exponent.num)) return overflow();
    v = r;
    return true;
  }

  bool operand(fract& v) {
    if (at_ == words_.size()) return setError("expected a fraction at the end");
    const std::string& w = words_[at_];
    if (isOperator(w)) return setError("expected a fraction before \"" + w + "\"");
    if (!StrToFract(v, w.c_str())) return setError("not a fraction: \"" + w + "\"");
    ++at_;
    return true;
  }

  bool peek(const char* op) const { return at_ < words_.size() && words_[at_] == op; }
  bool overflow() { return setError("overflow: the result does not fit"); }
  bool setError(std::string message) {
    error_ = std::move(message);
    return false;
  }
  Evaluation fail(std::string message) const {
    Evaluation e;
    e.error = std::move(message);
    return e;
  }

  const std::vector<std::string>& words_;
  std::size_t at_ = 0;
  std::string error_;
};

}  // namespace

Evaluation evaluate(const std::vector<std::string>& words) {
  return Evaluator(words).run();
}
