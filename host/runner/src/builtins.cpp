#include "builtins.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "quorvex/lang/operators.h"
#include "quorvex/operator_rules.h"

namespace quorvex::lang {

namespace {

using Args = std::vector<Value>;

std::int64_t integer(const Value& v) {
  return std::get<std::int64_t>(v);
}
double real(const Value& v) {
  if (auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  return std::get<double>(v);
}
const std::string& text(const Value& v) {
  return std::get<std::string>(v);
}

// A Double rounded to a whole number, as an Integer; one outside the Integers is an error rather
// than a wrapped value. 2^63 is the first Double past the largest Integer.
std::int64_t whole(double d, const char* fn, Pos pos) {
  constexpr double kLimit = 9223372036854775808.0;
  if (std::isnan(d) || d >= kLimit || d < -kLimit) {
    throw ProgramError(pos,
                       std::string(fn) + " of " + formatDouble(d) + " does not fit an Integer");
  }
  return static_cast<std::int64_t>(d);
}

std::size_t count(std::int64_t n, const char* fn, Pos pos) {
  if (n < 0)
    throw ProgramError(pos,
                       std::string(fn) + " takes a length of 0 or more, not " + std::to_string(n));
  return static_cast<std::size_t>(n);
}

bool blank(char c) {
  return c == ' ' || c == '\t';
}

// The number at the start of a text, as BASIC's Val reads it: leading blanks skipped, then digits
// with an optional sign, point and exponent; 0 when there is none.
double leadingNumber(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && blank(s[i])) ++i;
  std::size_t start = i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  bool digits = false;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, digits = true;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, digits = true;
  }
  if (!digits) return 0.0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && s[j] >= '0' && s[j] <= '9') {
      i = j;
      while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    }
  }
  return std::strtod(s.substr(start, i - start).c_str(), nullptr);
}

Value absInteger(const Args& a, Pos pos) {
  const std::int64_t v = integer(a[0]);
  if (v >= 0) return v;
  const IntegerResult r = integerNegation(v);
  if (!r.ok()) throw ProgramError(pos, "Abs of " + std::to_string(v) + " does not fit an Integer");
  return r.value;
}

Value roundHalfEven(const Args& a, Pos pos) {
  return whole(std::nearbyint(real(a[0])), "Round", pos);  // the default mode rounds half to even
}

Value mid(const Args& a, Pos pos) {
  const std::string& s = text(a[0]);
  const std::int64_t start = integer(a[1]);
  if (start < 1)
    throw ProgramError(pos, "Mid starts at position 1 or later, not " + std::to_string(start));
  const std::size_t from = static_cast<std::size_t>(start - 1);
  if (from >= s.size()) return std::string();
  return s.substr(from, a.size() > 2 ? count(integer(a[2]), "Mid", pos) : std::string::npos);
}

Value inStr(const Args& a, Pos pos) {
  const bool from = a.size() == 3;
  const std::int64_t start = from ? integer(a[0]) : 1;
  const std::string& s = text(a[from ? 1 : 0]);
  const std::string& find = text(a[from ? 2 : 1]);
  if (start < 1)
    throw ProgramError(pos, "InStr starts at position 1 or later, not " + std::to_string(start));
  if (static_cast<std::uint64_t>(start - 1) > s.size()) return std::int64_t{0};
  const std::size_t at = s.find(find, static_cast<std::size_t>(start - 1));
  return at == std::string::npos ? std::int64_t{0} : static_cast<std::int64_t>(at + 1);
}

Value chr(const Args& a, Pos pos) {
  const std::int64_t code = integer(a[0]);
  if (code < 0 || code > 255)
    throw ProgramError(pos, "Chr takes a byte value 0 to 255, not " + std::to_string(code));
  return std::string(1, static_cast<char>(code));
}

Value asc(const Args& a, Pos pos) {
  const std::string& s = text(a[0]);
  if (s.empty()) throw ProgramError(pos, "Asc of an empty text");
  return std::int64_t{static_cast<unsigned char>(s[0])};
}

Value trim(const Args& a, Pos) {
  const std::string& s = text(a[0]);
  std::size_t b = 0, e = s.size();
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

template <char From, char To>
Value mapCase(const Args& a, Pos) {
  std::string s = text(a[0]);
  for (char& c : s) {
    if (c >= From && c <= From + 25) c = static_cast<char>(c - From + To);
  }
  return s;
}

const Type I = Type::integer();
const Type D = Type::dbl();
const Type S = Type::string();
const Type B = Type::boolean();

const std::vector<Builtin>& table() {
  static const std::vector<Builtin> all = {
      {"Abs", {I}, I, absInteger},
      {"Abs", {D}, D, [](const Args& a, Pos) -> Value { return std::fabs(real(a[0])); }},
      {"Floor", {I}, I, [](const Args& a, Pos) -> Value { return a[0]; }},
      {"Floor",
       {D},
       I,
       [](const Args& a, Pos p) -> Value { return whole(std::floor(real(a[0])), "Floor", p); }},
      {"Ceil", {I}, I, [](const Args& a, Pos) -> Value { return a[0]; }},
      {"Ceil",
       {D},
       I,
       [](const Args& a, Pos p) -> Value { return whole(std::ceil(real(a[0])), "Ceil", p); }},
      {"Round", {I}, I, [](const Args& a, Pos) -> Value { return a[0]; }},
      {"Round", {D}, I, roundHalfEven},
      {"Sqrt", {D}, D, [](const Args& a, Pos) -> Value { return std::sqrt(real(a[0])); }},
      {"Min",
       {I, I},
       I,
       [](const Args& a, Pos) -> Value { return std::min(integer(a[0]), integer(a[1])); }},
      {"Min",
       {D, D},
       D,
       [](const Args& a, Pos) -> Value { return std::fmin(real(a[0]), real(a[1])); }},
      {"Max",
       {I, I},
       I,
       [](const Args& a, Pos) -> Value { return std::max(integer(a[0]), integer(a[1])); }},
      {"Max",
       {D, D},
       D,
       [](const Args& a, Pos) -> Value { return std::fmax(real(a[0]), real(a[1])); }},
      {"Len",
       {S},
       I,
       [](const Args& a, Pos) -> Value { return static_cast<std::int64_t>(text(a[0]).size()); }},
      {"Left",
       {S, I},
       S,
       [](const Args& a, Pos p) -> Value {
         return text(a[0]).substr(0, count(integer(a[1]), "Left", p));
       }},
      {"Right",
       {S, I},
       S,
       [](const Args& a, Pos p) -> Value {
         const std::string& s = text(a[0]);
         const std::size_t n = std::min(count(integer(a[1]), "Right", p), s.size());
         return s.substr(s.size() - n);
       }},
      {"Mid", {S, I}, S, mid},
      {"Mid", {S, I, I}, S, mid},
      {"InStr", {S, S}, I, inStr},
      {"InStr", {I, S, S}, I, inStr},
      {"Val", {S}, D, [](const Args& a, Pos) -> Value { return leadingNumber(text(a[0])); }},
      {"Chr", {I}, S, chr},
      {"Asc", {S}, I, asc},
      {"Str", {I}, S, [](const Args& a, Pos) -> Value { return display(a[0]); }},
      {"Str", {D}, S, [](const Args& a, Pos) -> Value { return display(a[0]); }},
      {"Str", {S}, S, [](const Args& a, Pos) -> Value { return a[0]; }},
      {"Str", {B}, S, [](const Args& a, Pos) -> Value { return display(a[0]); }},
      {"Trim", {S}, S, trim},
      {"UCase", {S}, S, mapCase<'a', 'A'>},
      {"LCase", {S}, S, mapCase<'A', 'a'>},
  };
  return all;
}

// 2: exact, 1: an Integer for a Double, -1: not at all.
int fitOf(const Type& param, const Type& arg) {
  if (param == arg) return 2;
  return param.kind == Kind::Double && arg == Type::integer() ? 1 : -1;
}

template <class TypeAt>
const Builtin* choose(std::string_view name, std::size_t n, TypeAt typeAt) {
  const Builtin* best = nullptr;
  int bestScore = -1;
  for (const Builtin& b : table()) {
    if (!sameName(b.name, name) || b.params.size() != n) continue;
    int score = 0;
    for (std::size_t i = 0; i < n && score >= 0; ++i) {
      auto t = typeAt(i);
      const int f = t ? fitOf(b.params[i], *t) : -1;
      score = f < 0 ? -1 : score + f;
    }
    if (score > bestScore) best = &b, bestScore = score;
  }
  return best;
}

}  // namespace

std::string Builtin::declaration() const {
  static constexpr const char* names[] = {"x", "y", "z"};
  std::string out = std::string(name) + "(";
  for (std::size_t i = 0; i < params.size(); ++i) {
    out += (i ? ", " : "") + std::string(names[i]) + " As " + typeName(params[i]);
  }
  return out + ") As " + typeName(result);
}

bool isBuiltinName(std::string_view name) {
  return !builtinOverloads(name).empty() || sameName(name, kUBound);
}

std::vector<std::string> builtinNames() {
  std::vector<std::string> out;
  for (const Builtin& b : table()) {
    if (out.empty() || out.back() != b.name) out.emplace_back(b.name);
  }
  out.emplace_back(kUBound);
  return out;
}

std::vector<const Builtin*> builtinOverloads(std::string_view name) {
  std::vector<const Builtin*> out;
  for (const Builtin& b : table()) {
    if (sameName(b.name, name)) out.push_back(&b);
  }
  return out;
}

const Builtin* chooseBuiltin(std::string_view name, const std::vector<std::optional<Type>>& args) {
  return choose(name, args.size(), [&](std::size_t i) { return args[i]; });
}

}  // namespace quorvex::lang
