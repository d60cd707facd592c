// quorvex-calc: a small calculator on the exact rational core.
//
//   quorvex-calc "3/4" + "1 1/2" "*" 2     prints  3/4 + 1 1/2 * 2 = 3 3/4   (15/4)
//   quorvex-calc                           runs a short demonstration
//
// A fraction with a space in it ("1 1/2") is one argument, so quote it; quote "*" too, or write x.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "evaluate.h"

namespace {

std::string text(int (*write)(char*&, const fract&), const fract& f) {
  char* out = nullptr;
  write(out, f);
  std::string s = out != nullptr ? out : "?";
  std::free(out);
  return s;
}

// Prints one expression and its value in the mixed and the plain form; false on an error.
bool show(const std::vector<std::string>& words) {
  std::string expression;
  for (const std::string& w : words) expression += (expression.empty() ? "" : " ") + w;
  const Evaluation e = evaluate(words);
  if (!e.ok) {
    std::printf("%s  ->  error: %s\n", expression.c_str(), e.error.c_str());
    return false;
  }
  std::printf("%s = %s   (%s)\n", expression.c_str(), text(FractToStr, e.value).c_str(),
              text(FractToStr2, e.value).c_str());
  return true;
}

int demonstrate() {
  const std::vector<std::vector<std::string>> examples = {
      {"3/4", "+", "1 1/2"}, {"1/2", "+", "1/3", "+", "1/6"},
      {"2/3", "*", "9/4"},   {"-1/2", "/", "-1/3"},
      {"1 1/2", "-", "3/2"}, {"-2/3", "^", "-3"},
      {"2", "^", "30"},      {"46341", "*", "46341", "*", "46341", "*", "46341", "*", "46341"},
      {"1/2", "/", "0"},     {"1 1x/2", "+", "1"},
  };
  std::printf("quorvex-calc: exact fractions; an overflow is reported, never wrapped.\n\n");
  for (const auto& words : examples) show(words);
  std::printf("\nTry: quorvex-calc \"1 1/2\" + 2/3 x 3\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return demonstrate();
  return show(std::vector<std::string>(argv + 1, argv + argc)) ? 0 : 1;
}
