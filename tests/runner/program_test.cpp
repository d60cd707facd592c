// Programs run against the real plug-in in the stand-in host: what they print, and where the
// checker or the running program stops with an error a person can act on.
#include <gtest/gtest.h>
#include <quorvex/host.h>

#include <sstream>
#include <string>

#include "host_binding.h"
#include "quorvex/lang/interpreter.h"
#include "quorvex/lang/parser.h"

namespace quorvex::lang {
namespace {

std::string pluginPath() {
  std::string path = QUORVEX_TEST_PLUGIN;
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') path = "Z:" + path;  // a Unix path seen from Wine
#endif
  return path;
}

// One loaded plug-in and one interpreter; run() may be called again, as interactive entries are.
class Session {
 public:
  Session() : binding_(host_), interpreter_(binding_, out_) {
    std::string error;
    loaded_ = host_.load(pluginPath(), &error);
    EXPECT_TRUE(loaded_) << pluginPath() << ": " << error;
  }

  struct Result {
    std::string output;
    std::string error;  // "line:column: message", "uncaught Class at line:column", or ""
  };

  Result run(const std::string& source, int firstLine = 1) {
    out_.str("");
    std::string error;
    try {
      Program p = parse(source, firstLine);
      interpreter_.run(p);
    } catch (const ProgramError& e) {
      error = std::to_string(e.pos.line) + ":" + std::to_string(e.pos.column) + ": " + e.what();
    } catch (const UncaughtException& e) {
      error = "uncaught " + e.className + " at " + std::to_string(e.pos.line) + ":" +
              std::to_string(e.pos.column);
    }
    return {out_.str(), error};
  }

  bool loaded() const { return loaded_; }
  Interpreter& interpreter() { return interpreter_; }

 private:
  Host host_;
  runner::HostBinding binding_;
  std::ostringstream out_;
  Interpreter interpreter_;
  bool loaded_ = false;
};

struct OutputCase {
  const char* name;
  std::string source;
  std::string output;
};

// Test names carry the case; keep gtest from appending the bytes of the parameter.
const auto caseName = [](const auto& info) { return std::string(info.param.name); };

void PrintTo(const OutputCase& c, std::ostream* os) {
  *os << c.name;
}

class Prints : public ::testing::TestWithParam<OutputCase> {};

TEST_P(Prints, WhatTheProgramPrints) {
  Session s;
  ASSERT_TRUE(s.loaded());
  auto r = s.run(GetParam().source);
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.output, GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Language, Prints,
    ::testing::Values(
        OutputCase{"Precedence",
                   "Print 2 + 3 * 4, (2 + 3) * 4, -2 ^ 2, 2 ^ -1, 2 ^ 3 ^ 2, 7 \\ 2 * 2, 7 Mod 3",
                   "14 20 -4 0.5 64 6 1\n"},
        OutputCase{"RemainderOfTheSmallestIntegerByMinusOneFits",
                   "Print -9223372036854775808 Mod -1, -9223372036854775807 \\ -1",
                   "0 9223372036854775807\n"},
        OutputCase{"ShortCircuitSkipsTheRightSide",
                   "Print False And 1 \\ 0 = 0, True Or 1 \\ 0 = 0", "False True\n"},
        OutputCase{"KeywordsAndNamesIgnoreCase",
                   "dim Total as INTEGER = 3\nPRINT total, TOTAL + 1\nDIM f AS NEW fraction(1, 2)\n"
                   "print F.str2, f.NUM()",
                   "3 4\n1/2 1\n"},
        OutputCase{"CommentsAndQuotes",
                   "Print \"it's \"\"quoted\"\"\" ' a comment\n' only a comment\nPrint",
                   "it's \"quoted\"\n\n"},
        OutputCase{"CountingDownAndNotAtAll",
                   "For i = 3 To 1 Step -1\nPrint i\nNext i\nFor j = 1 To 0\nPrint j\nNext\nPrint "
                   "\"none\"",
                   "3\n2\n1\nnone\n"},
        OutputCase{"DoubleSteps", "For d = 0 To 1 Step 0.5\nPrint d\nNext", "0\n0.5\n1\n"},
        OutputCase{"LoopVariableIsPastTheEndAfterTheLoop",
                   "Dim i As Integer\nFor i = 1 To 3\nNext\nPrint i", "4\n"},
        OutputCase{"LoopUpToTheLargestIntegerEnds",
                   "For i = 9223372036854775806 To 9223372036854775807\nPrint i\nNext",
                   "9223372036854775806\n9223372036854775807\n"},
        OutputCase{"BlockScopes",
                   "If True Then\nDim a As Integer = 1\nPrint a\nEnd If\nDim a As String = "
                   "\"two\"\nPrint a",
                   "1\ntwo\n"},
        OutputCase{"DimInALoopStartsAfreshEachTime",
                   "For i = 1 To 2\nDim s As String\ns = s + \"x\"\nPrint s\nNext", "x\nx\n"},
        OutputCase{
            "IfElseIfElse",
            "For i = 1 To 3\nIf i = 1 Then\nPrint \"one\"\nElseIf i = 2 Then\nPrint \"two\"\n"
            "Else\nPrint \"many\"\nEnd If\nNext",
            "one\ntwo\nmany\n"},
        OutputCase{"OneLineIf", "If 1 < 2 Then Print \"yes\"\nIf 1 > 2 Then Print \"no\"", "yes\n"},
        OutputCase{"StringsJoinAndCompareByByte",
                   "Print \"ab\" + \"c\", \"a\" < \"b\", \"B\" < \"a\", \"x\" = \"x\", Str(2.5) + "
                   "Str(True)",
                   "abc True True True 2.5True\n"},
        OutputCase{"IntegerWidensToDouble",
                   "Dim d As Double = 1\nd = d + 2\nPrint d / 8, 1 / 4 + 1", "0.375 1.25\n"},
        OutputCase{"DoublesPrintShortest", "Print 0.1 + 0.2, 1e300 * 1e300, -1e300 * 1e300, 1.5e-7",
                   "0.30000000000000004 Infinity -Infinity 1.5e-07\n"},
        OutputCase{"IntegerOnTheLeftUsesTheRightHandOperators",
                   "Dim f As New Fraction(2, 3)\nPrint (1 - f).Str2, (1 / f).Str2, (2 + f).Str2, "
                   "(3 * f).Str2",
                   "1/3 3/2 8/3 2\n"},
        OutputCase{"ComparisonsWithAnIntegerOnEitherSide",
                   "Dim f As New Fraction(3, 2)\nPrint 1 < f, f < 1, 2 > f, f >= 2, 1 <> f, f = "
                   "New Fraction(6, 4)",
                   "True False True False True True\n"},
        OutputCase{"NilVariablesReachTheirClass",
                   "Dim n As Fraction\nPrint n.Num, n.Den, (n + 1).Str, (1 - n).Str, n < 1, 1 < n, "
                   "Pow(n, 2) Is Nil",
                   "0 1 0 0 False False True\n"},
        OutputCase{
            "IsComparesIdentity",
            "Dim a As New Fraction(1, 2)\nDim b As Fraction = a\nDim c As New Fraction(1, 2)\n"
            "Print a Is b, a Is c, a = c, Nil Is Nil, a Is Nil",
            "True False True True False\n"},
        OutputCase{"ObjectsPrintAsTheirClass", "Print New Fraction(1, 2), Nil", "<Fraction> Nil\n"},
        OutputCase{"CatchPicksTheFirstMatchingClause",
                   "Try\nPrint (New Fraction(1) / 0).Str\nCatch e As FractionBadArgumentException\n"
                   "Print \"bad\"\nCatch e As FractionDivideByZeroException\nPrint \"zero\", e\n"
                   "Catch\nPrint \"any\"\nEnd Try",
                   "zero <FractionDivideByZeroException>\n"},
        OutputCase{"CatchWithoutAClassTakesAny",
                   "Try\nDim f As New Fraction(\"?\")\nCatch e\nPrint \"caught\", e\nEnd Try",
                   "caught <FractionBadArgumentException>\n"},
        OutputCase{
            "UncaughtByTheInnerTryReachesTheOuter",
            "Try\nTry\nPrint New Fraction(0) ^ 0\nCatch e As FractionDivideByZeroException\n"
            "Print \"inner\"\nEnd Try\nPrint \"skipped\"\nCatch e As FractionBadArgumentException\n"
            "Print \"outer\"\nEnd Try",
            "outer\n"},
        OutputCase{"ARaisingOperationAssignsNothing",
                   "Dim f As New Fraction(5)\nTry\nf = f / 0\nCatch\nEnd Try\nPrint f.Str", "5\n"},
        OutputCase{"CallStatementsDiscardTheResult",
                   "Dim f As New Fraction(1, 3)\nf.Str\nAbs(f)\nPrint \"ok\"", "ok\n"}),
    caseName);

struct ErrorCase {
  const char* name;
  std::string source;
  std::string error;  // a prefix of Session::Result::error
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
  *os << c.name;
}

class Stops : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(Stops, WhereAndWhy) {
  Session s;
  ASSERT_TRUE(s.loaded());
  auto r = s.run(GetParam().source);
  EXPECT_EQ(r.error.substr(0, GetParam().error.size()), GetParam().error) << r.error;
}

INSTANTIATE_TEST_SUITE_P(
    Checker, Stops,
    ::testing::Values(
        ErrorCase{"Undeclared", "Print 1\nPrint total", "2:7: 'total' is not declared"},
        ErrorCase{"UndeclaredAssignment", "total = 1", "1:1: 'total' is not declared"},
        ErrorCase{"Redeclared", "Dim x As Integer\nIf True Then\nDim x As Double\nEnd If",
                  "3:5: 'x' is already declared"},
        ErrorCase{"DimTypeMismatch", "Dim x As Integer = \"a\"",
                  "1:20: type mismatch: 'x' is Integer, but the value is String"},
        ErrorCase{"DoubleDoesNotNarrow", "Dim x As Integer = 2.5", "1:20: type mismatch"},
        ErrorCase{"AssignObjectToInteger", "Dim x As Integer\nx = New Fraction(1)",
                  "2:5: type mismatch: 'x' is Integer, but the value is Fraction"},
        ErrorCase{"MethodResultTypeIsKnown", "Dim f As New Fraction\nDim s As String = f.Num",
                  "2:19: type mismatch: 's' is String, but the value is Integer"},
        ErrorCase{"UnknownType", "Dim f As Frac",
                  "1:10: unknown type 'Frac'; expected Integer, Double, String, Boolean or a class "
                  "(Fraction"},
        ErrorCase{"NewOfABuiltinType", "Dim f As New Integer", "1:14: New needs a class"},
        ErrorCase{"UnknownClass", "Print New Fractoin(1)",
                  "1:7: unknown class 'Fractoin'; the classes are: Fraction"},
        ErrorCase{"UnknownMethodListsTheDeclaredOnes", "Dim f As New Fraction\nPrint f.Sum",
                  "2:9: Fraction has no method 'Sum'; its methods are: Num, Den, Str, Str2"},
        ErrorCase{
            "UnknownFunctionListsTheKnownOnes", "Print Sum(1)",
            "1:7: unknown function 'Sum'; the functions are: ConvToDouble, Abs, Sqr, Pow, Str"},
        ErrorCase{"VariableCalledAsFunction", "Dim x As Integer\nPrint x(1)",
                  "2:7: 'x' is a variable, not a function"},
        ErrorCase{"MethodOnABuiltin", "Dim s As String\nPrint s.Str",
                  "2:9: 'Str' cannot be called on a String"},
        ErrorCase{"ConditionNotBoolean", "If 1 Then\nEnd If",
                  "1:4: expected a Boolean condition after If, found Integer"},
        ErrorCase{"WhileConditionNotBoolean", "While \"x\"\nWend",
                  "1:7: expected a Boolean condition after While"},
        ErrorCase{"MixedOperands", "Print 1 + \"a\"", "1:9: '+' cannot combine Integer and String"},
        ErrorCase{"IntegerDivisionOfDoubles", "Print 7 \\ 2.0",
                  "1:9: '\\' cannot combine Integer and Double (it takes two Integers)"},
        ErrorCase{"NotOfAnInteger", "Print Not 1", "1:7: 'Not' cannot be applied to Integer"},
        ErrorCase{"AndOfAnInteger", "Print True And 1",
                  "1:12: 'And' needs Boolean operands, found Integer"},
        ErrorCase{"IsOfAnInteger", "Print Nil Is 1",
                  "1:11: 'Is' compares objects (or Nil), not Integer"},
        ErrorCase{"OperatorTheClassLacks", "Dim f As New Fraction\nPrint 2 ^ f",
                  "2:9: Fraction does not declare Operator_PowerRight"},
        ErrorCase{"CatchOfANonException", "Try\nCatch e As Fraction\nEnd Try",
                  "2:12: 'Fraction' is not an exception class"},
        ErrorCase{"ForOverText", "For i = 1 To \"x\"\nNext",
                  "1:14: expected an Integer or Double in the For loop"},
        ErrorCase{"ForWithAStringVariable", "Dim s As String\nFor s = 1 To 2\nNext",
                  "2:5: the loop variable 's' must be an Integer or a Double"},
        ErrorCase{
            "NoDeclarationTakesTheArguments", "Print \"first\"\nPrint Pow(New Fraction(1), 2.5)",
            "2:7: no overload of Pow takes (Fraction, Double); declared: Pow(x As Fraction, y As "
            "Integer) As Fraction"},
        ErrorCase{"NilIsNoInteger", "Print Pow(New Fraction(2), Nil)",
                  "1:7: no overload of Pow takes (Fraction, Nil)"},
        ErrorCase{"OperatorWithADouble", "Dim f As New Fraction\nPrint 1.5 * f",
                  "2:11: no overload of Fraction.Operator_MultiplyRight takes (Double)"},
        ErrorCase{"CheckedBeforeAnythingRuns", "Print \"first\"\nPrint y",
                  "2:7: 'y' is not declared"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Running, Stops,
    ::testing::Values(
        ErrorCase{"IntegerOverflow", "Print 9223372036854775807 + 1",
                  "1:27: Integer overflow in '+'"},
        ErrorCase{"NegatingTheSmallestInteger", "Dim i As Integer = -9223372036854775808\nPrint -i",
                  "2:7: Integer overflow"},
        ErrorCase{"QuotientOfTheSmallestIntegerByMinusOne", "Print -9223372036854775808 \\ -1",
                  "1:28: Integer overflow in '\\'"},
        ErrorCase{"IntegerDivisionByZero", "Print 1 \\ 0", "1:9: Integer division by zero"},
        ErrorCase{"ModByZero", "Print 1 Mod 0", "1:9: Integer division by zero"},
        ErrorCase{"RunawayText", "Dim s As String = \"x\"\nWhile True\ns = s + s\nWend",
                  "3:7: text too long"},
        ErrorCase{"ZeroStep", "For i = 1 To 2 Step 0\nNext",
                  "1:21: the Step of a For loop must not be 0"},
        ErrorCase{"UncaughtBadArgument", "Print 1\nDim f As New Fraction(\"x\")",
                  "uncaught FractionBadArgumentException at 2:14"},
        ErrorCase{"UncaughtDivideByZero", "Dim f As New Fraction(1, 2)\nPrint (f / 0).Str",
                  "uncaught FractionDivideByZeroException at 2:10"},
        ErrorCase{"UncaughtByTheOnlyCatch",
                  "Try\nPrint (New Fraction(1) / 0).Str\nCatch e As "
                  "FractionBadArgumentException\nEnd Try",
                  "uncaught FractionDivideByZeroException at 2:24"},
        ErrorCase{"NoSuchConstructor", "Dim f As New Fraction(1, 2, 3)",
                  "1:14: no overload of Fraction.Constructor"},
        ErrorCase{"NoSuchOverload", "Print Abs(1)", "1:7: "}),
    caseName);

TEST(StepLimit, EndsEndlessLoopsEvenWithEmptyBodies) {
  Session s;
  ASSERT_TRUE(s.loaded());
  s.interpreter().setStepLimit(1000);
  EXPECT_EQ(s.run("While True\nWend").error, "1:1: stopped after 1000 steps");
  EXPECT_EQ(s.run("Print 1\nFor i = 1 To 9223372036854775807\nNext").error,
            "2:1: stopped after 1000 steps");
  EXPECT_EQ(s.run("For i = 1 To 10\nNext\nPrint \"done\"").output, "done\n");
}

TEST(Interactive, EntriesBuildOnEarlierOnes) {
  Session s;
  ASSERT_TRUE(s.loaded());
  EXPECT_EQ(s.run("Dim f As New Fraction(1, 3)\nDim k As Integer = 2").error, "");
  EXPECT_EQ(s.run("Print (f * k).Str", 3).output, "2/3\n");
  // A runtime error keeps what was declared before it.
  EXPECT_EQ(s.run("Dim y As Integer = 7\nPrint 1 \\ 0", 4).error.substr(0, 4), "5:9:");
  EXPECT_EQ(s.run("Print y", 6).output, "7\n");
  // An entry the checker refuses runs not at all and declares nothing.
  EXPECT_EQ(s.run("Dim z As Integer\nPrint q", 7).error.substr(0, 4), "8:7:");
  EXPECT_EQ(s.run("Print z", 9).error.substr(0, 4), "9:7:");
  // Blocks inside an entry do not leak their names.
  EXPECT_EQ(s.run("If True Then\nDim inner As Integer\nEnd If", 10).error, "");
  EXPECT_EQ(s.run("Print inner", 13).error.substr(0, 5), "13:7:");
}

}  // namespace
}  // namespace quorvex::lang
