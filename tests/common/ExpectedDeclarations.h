// The declarations the Fraction plug-in registers, in the order it registers them and byte for
// byte (the lower-case "as" included). Plain strings only, so both the binding tests and the host
// tests can hold the plug-in to them without seeing its headers.
#ifndef QUORVEX_TESTS_COMMON_EXPECTED_DECLARATIONS_H
#define QUORVEX_TESTS_COMMON_EXPECTED_DECLARATIONS_H

namespace expected {

const char* const kFractionDeclarations[] = {
    "Num() As Integer",
    "Den() As Integer",
    "Str() as String",
    "Str2() as String",
    "Constructor()",
    "Constructor(num As Integer, den As Integer)",
    "Constructor(x As Integer)",
    "Constructor(inputString As String)",
    "Operator_Negate() As Fraction",
    "Operator_Add(y As Fraction) As Fraction",
    "Operator_Add(y As Integer) As Fraction",
    "Operator_AddRight(x As Integer) As Fraction",
    "Operator_Subtract(y As Fraction) As Fraction",
    "Operator_Subtract(y As Integer) As Fraction",
    "Operator_SubtractRight(x As Integer) As Fraction",
    "Operator_Multiply(y As Fraction) As Fraction",
    "Operator_Multiply(y As Integer) As Fraction",
    "Operator_MultiplyRight(x As Integer) As Fraction",
    "Operator_Divide(y As Fraction) As Fraction",
    "Operator_Divide(y As Integer) As Fraction",
    "Operator_DivideRight(x As Integer) As Fraction",
    "Operator_Power(x As Integer) As Fraction",
    "Operator_Compare(x As Fraction) As Integer",
    "Operator_Compare(x As Integer) As Integer",
};

const char* const kGlobalDeclarations[] = {
    "ConvToDouble(x As Fraction) As Double",
    "Abs(x As Fraction) As Fraction",
    "Sqr(x As Fraction) As Fraction",
    "Pow(x As Fraction, y As Integer) As Fraction",
};

}  // namespace expected

#endif
