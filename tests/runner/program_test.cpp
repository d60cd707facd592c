// Programs run against the real plug-in in the stand-in host: what they print, and where the
// checker or the running program stops with an error a person can act on.
#include <gtest/gtest.h>
#include <quorvex/host.h>

#include <sstream>
#include <string>

#include "completion.h"
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
      interpreter_.run(std::move(p));
    } catch (const ProgramError& e) {
      error = std::to_string(e.pos.line) + ":" + std::to_string(e.pos.column) + ": " + e.what();
    } catch (const UncaughtException& e) {
      error = "uncaught " + e.className + " at " + std::to_string(e.pos.line) + ":" +
              std::to_string(e.pos.column);
      if (e.where.find(',') != std::string::npos || !e.message.empty()) {
        error += " (" + e.where + ")" + (e.message.empty() ? "" : ": " + e.message);
      }
    }
    return {out_.str(), error};
  }

  bool loaded() const { return loaded_; }
  Interpreter& interpreter() { return interpreter_; }
  const ObjectHost& binding() const { return binding_; }

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
        // A call site in a loop keeps its method: its raise, its other overload and its other
        // receivers still go where they would the first time round.
        OutputCase{"CallSitesInALoopKeepTheirBehaviour",
                   "Dim z As New Fraction(0, 1)\nDim fs(1) As Fraction\n"
                   "fs(0) = New Fraction(1, 2)\nfs(1) = New Fraction(2, 3)\n"
                   "For i = 0 To 3\nDim f As Fraction = fs(i Mod 2)\n"
                   "Print f.Operator_Add(i).Str2, f.Operator_Add(f).Str2\n"
                   "Try\nPrint f.Operator_Divide(i Mod 2).Str2\n"
                   "Catch e As FractionDivideByZeroException\nPrint \"caught\", i\nEnd Try\nNext",
                   "1/2 1\ncaught 0\n5/3 4/3\n2/3\n5/2 1\ncaught 2\n11/3 4/3\n2/3\n"},
        OutputCase{
            "OperatorSitesInALoopKeepTheirBehaviour",
            "Dim f As New Fraction(1, 2)\nDim hs(3) As Fraction\nhs(0) = New Fraction(1, 3)\n"
            "hs(2) = New Fraction(0, 1)\nhs(3) = New Fraction(3, 2)\nFor i = 0 To 3\n"
            "Dim h As Fraction = hs(i)\nTry\n"
            "Print (f + h).Str2, (f + i).Str2, f < h, f = h, (f / h).Str2\n"
            "Catch e As FractionDivideByZeroException\nPrint \"caught\", i\nEnd Try\nNext",
            "5/6 1/2 False False 3/2\n0 3/2 False True 0\ncaught 2\n2 7/2 True False 1/3\n"},
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

// A name is found once and then read where it was found, until a variable may have moved or gone:
// each case reads one name where it means another variable than the last time it was read.
INSTANTIATE_TEST_SUITE_P(
    VariablesFoundOnce, Prints,
    ::testing::Values(
        OutputCase{"EachCallReadsItsOwnParameterAfterTheInnerCallReturned",
                   "Function Sum(n As Integer) As Integer\nIf n = 0 Then Return 0\n"
                   "Return Sum(n - 1) + n\nEnd Function\nPrint Sum(10)",
                   "55\n"},
        OutputCase{"ALoopBodyDeclaresAFreshVariableEachTimeRound",
                   "For i = 1 To 3\nDim x As Integer\nx = x + i\nPrint x\nNext", "1\n2\n3\n"},
        OutputCase{"AParameterHidesTheProgramsVariableOnlyInsideTheCall",
                   "Sub Show(n As Integer)\nDim twice As Integer\ntwice = n * 2\nPrint n, twice\n"
                   "End Sub\nDim n As Integer\nn = 5\nFor i = 1 To 2\nShow(i)\nPrint n\nNext",
                   "1 2\n5\n2 4\n5\n"},
        OutputCase{"NestedCountersStepSeparately",
                   "For i = 1 To 2\nFor j = i To 2\nPrint i * 10 + j\nNext\nNext", "11\n12\n22\n"}),
    caseName);

// `name = x.Method` puts the result straight into the variable: a String result into the text it
// holds, whatever its length was; any other result as every assignment stores it.
INSTANTIATE_TEST_SUITE_P(
    CallResultsInPlace, Prints,
    ::testing::Values(
        OutputCase{"TextsLongerAndShorterThanTheLast",
                   "Dim a As New Fraction(1, 3)\nDim t As String = \"longer than any result\"\n"
                   "For i = 1 To 3\nt = a.Str\nPrint t, Len(t)\na = a * 10\nNext\n"
                   "a = New Fraction(2)\nt = a.Str\nPrint t, Len(t)",
                   "1/3 3\n3 1/3 5\n33 1/3 6\n2 1\n"},
        OutputCase{"AnIntegerResultWidensIntoADouble",
                   "Dim a As New Fraction(7, 2)\nDim d As Double = 0.5\nd = a.Num\nPrint d / 2",
                   "3.5\n"},
        OutputCase{"AReceiverThatIsNilStillReachesItsClass",
                   "Dim n As Fraction\nDim t As String = \"x\"\nt = n.Str\nPrint \"[\" + t + \"]\"",
                   "[]\n"},
        OutputCase{"TwoMethodsTakeTurnsAtOneVariable",
                   "Dim a As New Fraction(7, 2)\nDim t As String\nFor i = 1 To 2\nt = a.Str\n"
                   "Print t\nt = a.Str2\nPrint t\nNext",
                   "3 1/2\n7/2\n3 1/2\n7/2\n"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Procedures, Prints,
    ::testing::Values(
        OutputCase{
            "CalledBeforeTheirDefinitionAndRecursive",
            "Print Fact(20)\nFunction Fact(n As Integer) As Integer\nIf n <= 1 Then Return 1\n"
            "Return n * Fact(n - 1)\nEnd Function",
            "2432902008176640000\n"},
        OutputCase{
            "ByRefWritesBackByValueDoesNot",
            "Sub Swap(ByRef a As Integer, ByRef b As Integer, c As Integer)\n"
            "Dim t As Integer = a\na = b\nb = t\nc = 0\nEnd Sub\n"
            "Dim x As Integer = 1\nDim y As Integer = 2\nDim z As Integer = 3\nSwap x, y, z\n"
            "Dim v(1) As Integer\nv(1) = 7\nSwap(v(0), v(1), z)\nPrint x, y, z, v(0), v(1)",
            "2 1 3 7 0\n"},
        OutputCase{"AnObjectByValueIsTheSameObject",
                   "Sub Keep(f As Fraction, s As Fraction)\ns = f\nEnd Sub\n"
                   "Dim a As New Fraction(1, 2)\nDim b As Fraction\nKeep a, b\nPrint b Is Nil",
                   "True\n"},
        OutputCase{
            "DefaultsAndEarlyExits",
            "Function I() As Integer\nEnd Function\nFunction S() As String\nReturn\n"
            "End Function\nFunction B() As Boolean\nExit Function\nReturn True\nEnd Function\n"
            "Function F() As Fraction\nEnd Function\nFunction D(x As Double) As Double\n"
            "Return x\nEnd Function\nSub Say(t As String)\nIf t = \"\" Then Exit Sub\n"
            "Print t\nEnd Sub\nSay \"\"\nSay(\"said\")\nPrint I(), \"[\" + S() + \"]\", B(), "
            "F() Is Nil, D(3) / 2",
            "said\n0 [] False True 1.5\n"},
        OutputCase{
            "LocalsAndConstants",
            "Const Base As Integer = 10\nDim x As Integer = 1\nFunction Shift(n As Integer) "
            "As Integer\nDim x As Integer = Base\nReturn n + x\nEnd Function\nPrint Shift(5), x",
            "15 1\n"},
        OutputCase{"RecursionTenThousandDeep",
                   "Function Sum(n As Integer) As Integer\nIf n = 0 Then Return 0 Else Return n + "
                   "Sum(n - 1)\nEnd Function\nPrint Sum(10000)",
                   "50005000\n"},
        OutputCase{
            "ByRefGivesBackWhatWasSetBeforeARaise",
            "Sub Half(ByRef n As Integer, f As Fraction)\nn = n \\ 2\nPrint (f / n).Str\nEnd "
            "Sub\nDim n As Integer = 1\nTry\nHalf n, New Fraction(1)\nCatch\nPrint \"n is\", n\n"
            "End Try",
            "n is 0\n"},
        OutputCase{"MutualRecursionAndNestedCalls",
                   "Function Even(n As Integer) As Boolean\nIf n = 0 Then Return True\nReturn "
                   "Odd(n - 1)\nEnd Function\nFunction Odd(n As Integer) As Boolean\nIf n = 0 Then "
                   "Return False\nReturn Even(n - 1)\nEnd Function\nPrint Even(10), Odd(Abs(-7)), "
                   "Even(Len(Str(Floor(12.5))))",
                   "True True True\n"},
        OutputCase{
            "ExceptionsReachTheCallersTry",
            "Function Inv(n As Integer) As Fraction\nReturn New Fraction(1) / n\nEnd Function\n"
            "Try\nPrint Inv(0).Str\nCatch e As FractionDivideByZeroException\nPrint \"caught\"\n"
            "End Try\nPrint Inv(4).Str",
            "caught\n1/4\n"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Arrays, Prints,
    ::testing::Values(
        OutputCase{
            "DefaultsBoundsAndTwoDimensions",
            "Dim a(3) As Integer\nDim f(1) As Fraction\nDim m(2, 4) As String\nDim e() As Double\n"
            "m(2, 4) = \"x\"\nPrint a(3), f(1) Is Nil, m(2, 4), UBound(a), UBound(m, 2), UBound(e)",
            "0 True x 3 4 -1\n"},
        OutputCase{"ReDimKeepsWhatStillFits",
                   "Dim m(1, 2) As Integer\nm(1, 1) = 5\nm(0, 2) = 7\nReDim m(2, 1)\n"
                   "Print m(1, 1), m(0, 1), m(2, 1), UBound(m, 1), UBound(m, 2)",
                   "5 0 0 2 1\n"},
        OutputCase{
            "PassedByReferenceReturnedAndAssigned",
            "Sub Grow(list() As Integer)\nReDim list(4)\nlist(4) = 9\nEnd Sub\n"
            "Function Squares(n As Integer) As Integer()\nDim t(n) As Integer\nFor i = 0 To n\n"
            "t(i) = i * i\nNext\nReturn t\nEnd Function\nDim a() As Integer\nGrow a\n"
            "Dim s() As Integer\ns = Squares(3)\nPrint UBound(a), a(4), s(3), UBound(Squares(2))",
            "4 9 9 2\n"},
        OutputCase{"AssignedArraysAreShared",
                   "Dim a(1) As Integer\nDim b() As Integer = a\nb(1) = 5\nReDim b(3)\nPrint a(1), "
                   "UBound(a), UBound(b)",
                   "5 3 3\n"},
        OutputCase{"OutOfRangeIsCaught",
                   "Dim a(2) As Integer\nTry\na(3) = 1\nCatch e As OutOfBoundsException\nPrint "
                   "\"caught\", "
                   "e\nEnd Try",
                   "caught <OutOfBoundsException>\n"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    BuiltIns, Prints,
    ::testing::Values(
        OutputCase{
            "Numbers",
            "Print Abs(-3), Abs(-2.5), Abs(New Fraction(-1, 2)).Str, Floor(-2.5), Ceil(2.1), "
            "Round(2.5), Round(3.5), Round(-2.5), Sqrt(16), Min(3, 4), Max(2.5, 1)",
            "3 2.5 1/2 -3 3 2 4 -2 4 3 2.5\n"},
        OutputCase{
            "Text",
            "Print Len(\"hello\"), Left(\"hello\", 2), Right(\"hello\", 9), Mid(\"hello\", 2, 3), "
            "Mid(\"hello\", 4), Mid(\"hi\", 5), InStr(\"hello\", \"l\"), InStr(4, \"hello\", "
            "\"l\"), InStr(\"hello\", \"z\"), Val(\" -12.5e1x\"), Val(\"x\"), Chr(65), Asc(\"a\"), "
            "Str(2.5), \"[\" + Trim(\"  x \") + \"]\", UCase(\"a1b\"), LCase(\"A1B\")",
            "5 he hello ell lo  3 4 0 -125 0 A 97 2.5 [x] A1B a1b\n"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Statements, Prints,
    ::testing::Values(
        OutputCase{"OneLineIfElse",
                   "For i = 1 To 2\nIf i = 1 Then Print \"one\" Else Print \"two\"\nNext",
                   "one\ntwo\n"},
        OutputCase{
            "ExitAndContinueReachTheirLoop",
            "For i = 1 To 9\nDim j As Integer = 0\nWhile True\nj = j + 1\nIf j = 2 Then Continue "
            "While\nIf j > 3 Then Exit While\nIf i = 2 Then Continue For\nIf i = 4 Then Exit For\n"
            "Wend\nPrint i, j\nNext",
            "1 4\n3 4\n"},
        OutputCase{
            "DoLoops",
            "Dim k As Integer\nDo\nk = k + 1\nLoop Until k >= 3\nDo While k < 5\nk = k + 1\nLoop\n"
            "Do\nk = k + 1\nIf k = 7 Then Exit Do\nLoop While True\nDo\nk = k + 1\nLoop While "
            "False\nPrint k",
            "8\n"},
        OutputCase{
            "SelectCase",
            "For i = 1 To 5\nSelect Case i * 2\nCase 2, 4\nPrint \"small\"\nCase 5 To 6\nPrint "
            "\"middle\"\nCase Is >= 10\nPrint \"big\"\nCase Else\nPrint \"else\"\nEnd "
            "Select\nNext\n"
            "Select Case New Fraction(1, 2)\nCase New Fraction(2, 4)\nPrint \"half\"\nEnd Select",
            "small\nsmall\nmiddle\nelse\nbig\nhalf\n"},
        OutputCase{"Constants",
                   "Const N As Integer = 3\nConst Twice = N * 2\nPrint N, Twice, Twice / 4",
                   "3 6 1.5\n"}),
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
            "1:7: unknown function 'Sum'; the functions are: ConvToDouble, Abs, Sqr, Pow, Floor, "
            "Ceil"},
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
        ErrorCase{"NoOverloadListsTheBuiltInOnesToo", "Print Abs(\"x\")",
                  "1:7: no overload of Abs takes (String); declared: Abs(x As Fraction) As "
                  "Fraction; Abs(x As Integer) As Integer; Abs(x As Double) As Double"},
        ErrorCase{"OperatorWithADouble", "Dim f As New Fraction\nPrint 1.5 * f",
                  "2:11: no overload of Fraction.Operator_MultiplyRight takes (Double)"},
        ErrorCase{"ArgumentCount", "Sub S(a As Integer)\nEnd Sub\nS 1, 2",
                  "3:1: 'S' takes 1 argument(s), not 2"},
        ErrorCase{"ArgumentType", "Function F(a As Integer) As Integer\nEnd Function\nPrint F(1.5)",
                  "3:9: type mismatch: parameter 'a' of F is Integer, but the value is Double"},
        ErrorCase{"ByRefNeedsTheSameType",
                  "Sub S(ByRef d As Double)\nEnd Sub\nDim i As Integer\nS i",
                  "4:3: type mismatch: parameter 'd' of S is Double, but the value is Integer"},
        ErrorCase{"ReturnType", "Function F() As Integer\nReturn \"x\"\nEnd Function",
                  "2:8: type mismatch: the result of F is Integer, but the value is String"},
        ErrorCase{"ReturnValueInASub", "Sub S()\nReturn 1\nEnd Sub", "2:8: a Sub returns no value"},
        ErrorCase{"SubGivesNoValue", "Sub S()\nEnd Sub\nPrint S()", "3:7: 'S' is a Sub"},
        ErrorCase{"ProceduresSeeNoMainVariables", "Dim x As Integer\nSub S()\nPrint x\nEnd Sub",
                  "3:7: 'x' is not declared"},
        ErrorCase{"NamedLikeAPluginFunction", "Function Abs(x As Integer) As Integer\nEnd Function",
                  "1:10: a Function cannot be named 'Abs': that is a function of the plug-in"},
        ErrorCase{"NamedLikeAClass", "Sub fraction()\nEnd Sub", "1:5: a Sub cannot be named"},
        ErrorCase{"DefinedTwice", "Sub S()\nEnd Sub\nSub s()\nEnd Sub",
                  "3:5: a Sub cannot be named"},
        ErrorCase{"ExitOutsideItsLoop", "For i = 1 To 2\nExit While\nNext",
                  "2:1: Exit While outside a While loop"},
        ErrorCase{"ReturnInTheMainProgram", "Return", "1:1: Return outside a Function or Sub"},
        ErrorCase{"WrongDimensions", "Dim m(2, 2) As Integer\nPrint m(1)",
                  "2:7: 'm' has 2 dimension(s), not 1"},
        ErrorCase{"IndexNotInteger", "Dim a(2) As Integer\nPrint a(1.5)",
                  "2:9: expected an Integer index, found Double"},
        ErrorCase{"ArrayOfAnotherType", "Dim a(2) As Integer\nDim d() As Double = a",
                  "2:21: type mismatch: 'd' is Double(), but the value is Integer()"},
        ErrorCase{"ArrayToThePlugin", "Dim a(2) As Fraction\nPrint Abs(a)",
                  "2:7: no overload of Abs takes (Fraction())"},
        ErrorCase{"AssignToAConstant", "Const N As Integer = 1\nN = 2", "2:1: 'N' is a constant"},
        ErrorCase{"ConstantFromAVariable", "Dim x As Integer\nConst N As Integer = x",
                  "2:22: a constant's value cannot use the variable 'x'"},
        ErrorCase{"ExitSubInAFunction", "Function F() As Integer\nExit Sub\nEnd Function",
                  "2:1: Exit Sub outside a Sub"},
        ErrorCase{"ContinueOutsideALoop", "Continue Do", "1:1: Continue Do outside a Do loop"},
        ErrorCase{"ReDimOfAScalar", "Dim x As Integer\nReDim x(3)", "2:7: 'x' is not an array"},
        ErrorCase{"ElementOfAScalar", "Dim x As Integer\nx(1) = 2", "2:1: 'x' is not an array"},
        ErrorCase{"ArrayInArithmetic", "Dim a(1) As Integer\nPrint a + 1",
                  "2:9: '+' cannot combine Integer() and Integer"},
        ErrorCase{"UBoundOfAScalar", "Print UBound(3)", "1:14: UBound takes an array"},
        ErrorCase{"ParameterTwice", "Sub S(a As Integer, A As Double)\nEnd Sub",
                  "1:21: 'A' is already a parameter"},
        ErrorCase{"ObjectConstant", "Const F = New Fraction(1)",
                  "1:11: a constant's value is made of literals"},
        ErrorCase{"SelectCaseTypes", "Select Case 1\nCase \"a\"\nEnd Select",
                  "2:6: '=' cannot combine Integer and String"},
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
        ErrorCase{"RecursionTooDeep",
                  "Function F(n As Integer) As Integer\nReturn F(n + 1)\nEnd Function\nPrint F(0)",
                  "2:8: calls nested too deep ("},
        ErrorCase{
            "UncaughtNamesTheCalls",
            "Function Inv(n As Integer) As Fraction\nReturn New Fraction(1) / n\nEnd Function\n"
            "Sub Show(n As Integer)\nPrint Inv(n).Str\nEnd Sub\nShow 0",
            "uncaught FractionDivideByZeroException at 2:24 (raised on line 2, in Inv, called from "
            "line 5, in Show, called from line 7)"},
        ErrorCase{
            "IndexOutOfRange", "Dim m(2, 3) As Integer\nPrint m(1, 4)",
            "uncaught OutOfBoundsException at 2:7 (raised on line 2): m(1, 4) is outside m(0 To "
            "2, 0 To 3)"},
        ErrorCase{"NegativeUpperBound", "Dim n As Integer = -2\nDim a(n) As Integer",
                  "2:5: an array's upper bound is -1 (empty) or more, not -2"},
        ErrorCase{"HugeArray", "Dim a(100000, 100000) As Integer",
                  "1:5: an array may hold at most"},
        // The largest Integer as a bound: no overflow on the way to the refusal (UBSan checks),
        // and none later in an empty array that would keep it.
        ErrorCase{"BoundAtTheIntegerLimit", "Dim a(9223372036854775807) As Integer",
                  "1:5: an array may hold at most"},
        ErrorCase{"EmptyArrayWithABoundAtTheIntegerLimit",
                  "Dim e(-1, 9223372036854775807) As Integer\nReDim e(1, 1)",
                  "1:5: an array may hold at most"},
        ErrorCase{"ReDimToTheIntegerLimit",
                  "Dim a(1, 1) As Integer\nReDim a(2, 9223372036854775807)",
                  "2:7: an array may hold at most"},
        ErrorCase{"FloorOutsideTheIntegers", "Print Floor(1e19)",
                  "1:7: Floor of 1e+19 does not fit an Integer"},
        ErrorCase{"MidBeforeTheStart", "Print Mid(\"abc\", 0)", "1:7: Mid starts at position 1"},
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
                  "1:14: no overload of Fraction.Constructor"}),
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

TEST(Interactive, ProceduresStayDefined) {
  Session s;
  ASSERT_TRUE(s.loaded());
  EXPECT_EQ(s.run("Const K As Integer = 3\nFunction Twice(n As Integer) As Integer\nReturn n * K\n"
                  "End Function")
                .error,
            "");
  EXPECT_EQ(s.run("Print Twice(2)", 5).output, "6\n");
  EXPECT_EQ(s.run("Sub Twice()\nEnd Sub", 6).error.substr(0, 5), "6:5: ");
  EXPECT_EQ(s.run("Dim twice As Integer", 8).error.substr(0, 5), "8:5: ");
}

// Tab at the prompt: `line` is what stands before the cursor; the word completed starts after
// its last character that cannot be part of a name, as readline is told to break words.
TEST(Interactive, TabCompletesWhatTheSessionKnows) {
  Session s;
  ASSERT_TRUE(s.loaded());
  ASSERT_EQ(s.run("Dim Half As New Fraction(1, 2)\nDim count As Integer\n"
                  "Function Twice(x As Integer) As Integer\nReturn 2 * x\nEnd Function")
                .error,
            "");
  using Names = std::vector<std::string>;
  const struct {
    const char* line;
    Names names;
  } cases[] = {
      {"Pr", {"Preserve", "Print"}},    // keywords
      {"x = 1 + Le", {"Left", "Len"}},  // built-in functions
      {"Dim g As Fraction",
       {"Fraction", "FractionBadArgumentException", "FractionDivideByZeroException",
        "FractionIntegerOverflowException"}},
      {"Print co", {"Const", "Continue", "ConvToDouble", "count"}},  // a global, a variable
      {"y = tw", {"Twice"}},  // a procedure, as it was declared
      {"Print hal", {"Half"}},
      {"t = HALF.st", {"Str", "Str2"}},  // methods of the variable's class
      {"Print (half).n", {"Num"}},       // not a variable: every class's
      {"Print half.Q", {}},
  };
  const runner::Vocabulary names = runner::vocabularyOf(s.binding(), s.interpreter());
  for (const auto& c : cases) {
    const std::string line = c.line;
    std::size_t start = line.size();
    while (start > 0 &&
           (std::isalnum(static_cast<unsigned char>(line[start - 1])) || line[start - 1] == '_')) {
      --start;
    }
    EXPECT_EQ(runner::complete(names, line, start), c.names) << line;
  }
}

}  // namespace
}  // namespace quorvex::lang
