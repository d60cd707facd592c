// Declarations as the host reads them from registration, and operator symbols.
#include <gtest/gtest.h>
#include <quorvex/host.h>

namespace {

using quorvex::Declaration;
using quorvex::Op;
using quorvex::parseDeclaration;

struct Good {
  const char* text;
  const char* name;
  std::vector<std::pair<const char*, const char*>> params;
  const char* result;
};

TEST(Declaration, ReadsNameParametersAndResult) {
  const Good cases[] = {
      {"Num() As Integer", "Num", {}, "Integer"},
      {"Str() as String", "Str", {}, "String"},
      {"Constructor()", "Constructor", {}, ""},
      {"Constructor(num As Integer, den As Integer)",
       "Constructor",
       {{"num", "Integer"}, {"den", "Integer"}},
       ""},
      {"Operator_Add(y As Fraction) As Fraction", "Operator_Add", {{"y", "Fraction"}}, "Fraction"},
      {"Pow(x As Fraction, y As Integer) As Fraction",
       "Pow",
       {{"x", "Fraction"}, {"y", "Integer"}},
       "Fraction"},
      {"ConvToDouble(x As Fraction) As Double", "ConvToDouble", {{"x", "Fraction"}}, "Double"},
      // keywords and built-in types in any case come back canonical; class names as written
      {"f(a AS integer, b aS DOUBLE) as boolean",
       "f",
       {{"a", "Integer"}, {"b", "Double"}},
       "Boolean"},
      {"  Spaced ( a  As  fraction ,b As string )  As  Integer  ",
       "Spaced",
       {{"a", "fraction"}, {"b", "String"}},
       "Integer"},
      {"g(x As Outer.Inner) As Outer.Inner", "g", {{"x", "Outer.Inner"}}, "Outer.Inner"},
      {"_h2(As_ As As_)", "_h2", {{"As_", "As_"}}, ""},
  };
  for (const Good& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    std::optional<Declaration> d = parseDeclaration(c.text, &error);
    ASSERT_TRUE(d) << error;
    EXPECT_EQ(d->name, c.name);
    ASSERT_EQ(d->params.size(), c.params.size());
    for (std::size_t i = 0; i < c.params.size(); ++i) {
      EXPECT_EQ(d->params[i].name, c.params[i].first);
      EXPECT_EQ(d->params[i].type, c.params[i].second);
    }
    EXPECT_EQ(d->result, c.result);
  }
}

TEST(Declaration, RefusesMalformedText) {
  const char* cases[] = {
      "",
      "Num",
      "Num(",
      "Num() As",
      "Num() Integer",
      "(x As Integer)",
      "Num(x)",
      "Num(x As)",
      "Num(x Integer)",
      "Num(x As Integer,)",
      "Num(,)",
      "Num() As Integer extra",
      "9Num()",
      "Num(x As Integer",
      "Num() As .T",
      "Num() As T.",
      "Num() As A..B",
      "Num() As A.9",
      "Num(x As Integer) As Integer)",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    std::string error;
    EXPECT_FALSE(parseDeclaration(text, &error));
    EXPECT_FALSE(error.empty());
  }
  // bytes past a NUL inside a view are text like any other
  EXPECT_FALSE(parseDeclaration(std::string_view("Num()\0", 6)));
}

TEST(Operators, SymbolsRoundTrip) {
  const std::pair<const char*, Op> cases[] = {
      {"+", Op::Add},           {"-", Op::Subtract},       {"*", Op::Multiply},
      {"/", Op::Divide},        {"\\", Op::IntegerDivide}, {"mod", Op::Modulo},
      {"^", Op::Power},         {"=", Op::Equal},          {"<>", Op::NotEqual},
      {"<", Op::Less},          {"<=", Op::LessEqual},     {">", Op::Greater},
      {">=", Op::GreaterEqual},
  };
  for (const auto& [symbol, op] : cases) {
    ASSERT_EQ(quorvex::parseOp(symbol), op) << symbol;
    EXPECT_EQ(quorvex::parseOp(quorvex::opSymbol(op)), op);
  }
  for (const char* bad : {"", "==", "!=", "**", "and", "=<"}) {
    EXPECT_FALSE(quorvex::parseOp(bad)) << bad;
  }
}

}  // namespace
