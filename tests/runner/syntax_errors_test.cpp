// Syntax errors: where the parser stops and what it says was expected. No plug-in needed.
#include <gtest/gtest.h>

#include <string>

#include "quorvex/lang/parser.h"

namespace quorvex::lang {
namespace {

struct SyntaxCase {
  std::string source;
  int line;
  int column;
  std::string message;  // a part of the message
};

// Test names carry the line and column; keep gtest from appending the bytes of the parameter.
void PrintTo(const SyntaxCase& c, std::ostream* os) {
  *os << c.line << ":" << c.column;
}

class SyntaxErrors : public ::testing::TestWithParam<SyntaxCase> {};

TEST_P(SyntaxErrors, NameLineColumnAndWhatWasExpected) {
  const SyntaxCase& c = GetParam();
  try {
    parse(c.source);
    FAIL() << "parsed without error: " << c.source;
  } catch (const ProgramError& e) {
    EXPECT_EQ(e.pos.line, c.line) << e.what();
    EXPECT_EQ(e.pos.column, c.column) << e.what();
    EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
  }
}

const std::string deepParens = "Print " + std::string(300, '(') + "1" + std::string(300, ')');
std::string longSum() {
  std::string s = "Print 1";
  for (int i = 0; i < 300; ++i) s += " + 1";
  return s;
}
std::string deepBlocks() {
  std::string s;
  for (int i = 0; i < 300; ++i) s += "While True\n";
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Parser, SyntaxErrors,
    ::testing::Values(
        SyntaxCase{"Dim x Integer", 1, 7, "expected As after the variable name"},
        SyntaxCase{"Dim 5 As Integer", 1, 5, "expected a variable name after Dim"},
        SyntaxCase{"Dim x As New", 1, 13, "expected a type name"},
        SyntaxCase{"Dim Print As Integer", 1, 5, "expected a variable name"},
        SyntaxCase{"Print 1\nIf x > 1\nEnd If", 2, 9, "expected Then after the If condition"},
        SyntaxCase{"Print (1 + 2", 1, 13, "expected ')' to close the parenthesis"},
        SyntaxCase{"Print Pow(1, 2", 1, 15, "expected ')' to close the argument list"},
        SyntaxCase{"For i = 1 10\nNext", 1, 11, "expected To after the start value"},
        SyntaxCase{"For i = 1 To 3\nNext j", 2, 6, "expected 'Next i'"},
        SyntaxCase{"While True\nPrint 1", 2, 8, "expected Wend"},
        SyntaxCase{"If True Then\nPrint 1\nEnd While", 3, 5, "expected 'End If'"},
        SyntaxCase{"If True Then\nElse\nElse\nEnd If", 3, 1, "'Else' without a matching"},
        SyntaxCase{"Try\nPrint 1\nEnd Try", 3, 1, "expected 'Catch' after the Try block"},
        SyntaxCase{"Next", 1, 1, "'Next' without a matching opening statement"},
        SyntaxCase{"  End If", 1, 3, "'End' without a matching opening statement"},
        SyntaxCase{"x =", 1, 4, "expected a value"},
        SyntaxCase{"Print 1 +", 1, 10, "expected a value"},
        SyntaxCase{"5", 1, 1, "expected a statement"},
        SyntaxCase{"x + 1", 1, 1, "a value alone is not a statement"},
        SyntaxCase{"Print 1 2", 1, 9, "expected the end of the line"},
        SyntaxCase{"Print f.", 1, 9, "expected a method name after '.'"},
        SyntaxCase{"Print New", 1, 10, "expected a class name after New"},
        SyntaxCase{"Print \"abc", 1, 7, "no closing quote"},
        SyntaxCase{"Print \"abc\nPrint 1\"", 1, 7, "no closing quote"},
        SyntaxCase{"Print 1 $ 2", 1, 9, "unexpected character '$'"},
        SyntaxCase{std::string("Print \0", 7), 1, 7, "unexpected character 'byte 0'"},
        SyntaxCase{"Print 99999999999999999999", 1, 7, "too large for an Integer"},
        SyntaxCase{"Print 9223372036854775808", 1, 7, "too large for an Integer"},
        SyntaxCase{"Print -9223372036854775808 ^ 2", 1, 8, "too large for an Integer"},
        SyntaxCase{"Function F() As Integer\nReturn 1", 2, 9, "expected 'End Function'"},
        SyntaxCase{"If True Then\nSub S()\nEnd Sub\nEnd If", 2, 1, "a Sub is defined at the top"},
        SyntaxCase{"Sub S(x Integer)\nEnd Sub", 1, 9, "expected As after the parameter name"},
        SyntaxCase{"Exit Loop", 1, 6, "expected For, While, Do, Sub or Function after Exit"},
        SyntaxCase{"Continue Sub", 1, 10, "expected For, While or Do after Continue"},
        SyntaxCase{"Do\nLoop Until", 2, 11, "expected a value"},
        SyntaxCase{"Select Case 1\nCase Else\nCase 2\nEnd Select", 3, 1, "a Case after Case Else"},
        SyntaxCase{"Select Case 1\nCase Is\nEnd Select", 2, 8, "expected a comparison"},
        SyntaxCase{"Dim a(1, 2, 3) As Integer", 1, 5, "one or two dimensions"},
        SyntaxCase{"If True Then Print 1 Else", 1, 26, "expected a statement"},
        SyntaxCase{"Loop", 1, 1, "'Loop' without a matching opening statement"},
        SyntaxCase{"f.Num + 1", 1, 1, "a value alone is not a statement"},
        SyntaxCase{deepParens, 1, 206, "nested too deeply"},
        SyntaxCase{longSum(), 1, 801, "expression too long"},
        SyntaxCase{deepBlocks(), 200, 7, "nested too deeply"}));

TEST(Parser, SmallestIntegerIsWrittenWithItsMinus) {
  Program p = parse("Print -9223372036854775808");
  ASSERT_EQ(p.body.size(), 1u);
  EXPECT_EQ(std::get<std::int64_t>(p.body[0]->exprs[0]->literal), INT64_MIN);
}

TEST(Parser, LineNumbersContinueFromTheGivenFirstLine) {
  try {
    parse("Print 1\nPrint )", 41);
    FAIL();
  } catch (const ProgramError& e) {
    EXPECT_EQ(e.pos.line, 42);
    EXPECT_EQ(e.pos.column, 7);
  }
}

struct OpenCase {
  std::string text;
  int open;
};

TEST(Parser, OpenBlocksTellsInteractiveInputWhenAnEntryIsComplete) {
  const OpenCase cases[] = {
      {"Print 1\n", 0},
      {"If x Then\n", 1},
      {"If x Then Print 1\n", 0},
      {"For i = 1 To 3\nIf i = 2 Then\n", 2},
      {"For i = 1 To 3\nIf i = 2 Then\nEnd If\n", 1},
      {"While True\nWend\n", 0},
      {"Try\nCatch e\n", 1},
      {"try\ncatch\nend try\n", 0},
      {"Next\n", 0},
      {"Print \"If x Then\n", 0},  // unreadable: let the parser report it
      {"Function F() As Integer\nDo\nSelect Case 1\n", 3},
      {"Sub S\nDo\nLoop Until x\nEnd Sub\n", 0},
      {"Select Case x\nCase 1\nEnd Select\n", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(openBlocks(c.text), c.open) << c.text;
}

}  // namespace
}  // namespace quorvex::lang
